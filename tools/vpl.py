#!/usr/bin/env python3
"""Makes each exercise a VPL activity (the Virtual Programming Lab of Moodle) graded by the checker,
from the files git tracks as the working tree has them: DESTINO/<programa>-<n>/ (DESTINO defaults
to desarrollo/vpl) with
- pedidos/: the requested files, those the exercise's patch touches, with the lesson's text;
- ejecucion/: the execution files: the rest of what the guide's g++ lines for the program and for
  the checker compile (the headers as g++ -MM finds them), the checks' console, the exercise's
  expected output, input and hints, vpl_run.sh (the guide's line; VPL's debugger adds its flags as
  the second argument), vpl_evaluate.sh (builds the checker and leaves a vpl_execution that grades
  with it) and vpl_evaluation_tests/, VPL's self-tests: the solution, the unchanged files and each
  hint's wrong attempt;
- conservar.txt: the execution files to keep when running, those the checker reads as it grades;
- <programa>-<n>-ejecucion.zip: ejecucion/ as VPL's file editor imports it.
Exercises named after DESTINO are the only ones made."""

import contextlib
import glob
import os
import shutil
import subprocess
import sys
import time
import zipfile

from comun import aplicar, bloque_de_la_guia, copia_limpia, intentos

RAIZ = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MARCA_PROGRAMAS = "<!-- comandos g++"
MARCA_COMPROBADOR = "<!-- comprobar sin CMake: g++ -->"
CONSOLA_DE_LAS_COMPROBACIONES = "ejercicios/comprobador/consola_comprobacion.cpp"
EVALUAR = """#!/bin/bash
# VPL's evaluation: the checker built as the guide builds it; vpl_execution grades with it, the
# maximum when it passes and the minimum otherwise, its answer a comment whose lines keep their
# columns. A compiler that cannot build it is named in one line, with its own words below.
rm -f comprobar .respuesta.txt
if ! command -v g++ >/dev/null; then
  echo "El servidor de ejecución no tiene g++: la comprobación necesita un compilador de C++17 con <filesystem> (g++ 9 o posterior)." >.respuesta.txt
elif ! @COMPROBADOR@ 2>.compilador.txt; then
  { echo "El g++ del servidor de ejecución no puede compilar la comprobación: necesita C++17 con <filesystem> (g++ 9 o posterior). Dice:"
    head -n 20 .compilador.txt; } >.respuesta.txt
fi
cat >vpl_execution <<'FIN'
#!/bin/bash
[ -x comprobar ] && ./comprobar @PROGRAMA@ @NUMERO@ >.respuesta.txt 2>&1
aprobado=$?
echo '<|--'
echo '-Comprobación de @PROGRAMA@-@NUMERO@'
sed 's/^/>/' .respuesta.txt
echo '--|>'
if [ $aprobado = 0 ]; then echo "Grade :=>>${VPL_GRADEMAX:-10}"; else echo "Grade :=>>${VPL_GRADEMIN:-0}"; fi
FIN
chmod +x vpl_execution
"""


def ejecutar(orden: list, carpeta: str) -> str:
    return subprocess.run(orden, cwd=carpeta, check=True, capture_output=True, text=True).stdout


def compilado(copia: str, linea: str) -> set:
    """The sources of a g++ line and every header they include, as g++ -MM finds them."""
    fuentes = [palabra for palabra in linea.split() if palabra.endswith(".cpp")]
    reglas = ejecutar(["g++", "-std=c++17", "-I.", "-MM", *fuentes], copia)
    return {os.path.normpath(p) for p in reglas.split() if p != "\\" and not p.endswith(":")}


def escribir(carpeta: str, archivos: dict):
    for ruta, texto in archivos.items():
        os.makedirs(os.path.dirname(os.path.join(carpeta, ruta)), exist_ok=True)
        with open(os.path.join(carpeta, ruta), "w", encoding="utf-8") as archivo:
            archivo.write(texto)


def leer(carpeta: str, rutas) -> dict:
    textos = {}
    for ruta in rutas:
        with open(os.path.join(carpeta, ruta), encoding="utf-8") as archivo:
            textos[ruta] = archivo.read()
    return textos


def comprimir(carpeta: str, archivo: str):
    """Every file at its path from `carpeta`, in name order, dated from SOURCE_DATE_EPOCH (or 1980)
    so that two runs on one commit give the same bytes."""
    fecha = time.gmtime(int(os.environ.get("SOURCE_DATE_EPOCH", "315532800")))[:6]
    rutas = sorted(os.path.relpath(os.path.join(d, n), carpeta)
                   for d, _, nombres in os.walk(carpeta) for n in nombres)
    with zipfile.ZipFile(archivo, "w", zipfile.ZIP_DEFLATED) as zip_:
        for ruta in rutas:
            entrada = zipfile.ZipInfo(ruta, fecha)
            entrada.external_attr = (0o755 if ruta.endswith(".sh") else 0o644) << 16
            entrada.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(carpeta, ruta), "rb") as datos:
                zip_.writestr(entrada, datos.read())


def actividad(copia: str, guia: str, ejercicio: str, destino: str):
    programa, numero = ejercicio.rsplit("-", 1)
    linea = next(l for l in bloque_de_la_guia(guia, MARCA_PROGRAMAS) if f" -o {programa} " in l)
    comprobador = bloque_de_la_guia(guia, MARCA_COMPROBADOR)[0]
    parche = f"ejercicios/{ejercicio}.patch"
    pedidos = sorted(l.split("\t")[2] for l in ejecutar(["git", "apply", "--numstat", parche],
                                                         copia).splitlines())
    datos = {"programas.txt", f"ejercicios/{ejercicio}.salida", f"ejercicios/{programa}.original",
             f"ejercicios/{programa}.entrada", f"ejercicios/{ejercicio}.pistas"}
    conservar = compilado(copia, f"{linea} {CONSOLA_DE_LAS_COMPROBACIONES}") | {
        d for d in datos if os.path.exists(os.path.join(copia, d))}
    conservar -= set(pedidos)
    carpeta = os.path.join(destino, ejercicio)
    shutil.rmtree(carpeta, ignore_errors=True)
    ejecucion = os.path.join(carpeta, "ejecucion")
    lecciones = leer(copia, pedidos)
    escribir(os.path.join(carpeta, "pedidos"), lecciones)
    escribir(ejecucion, leer(copia, conservar | compilado(copia, comprobador) - set(pedidos)))
    escribir(ejecucion, {
        "vpl_run.sh": "#!/bin/bash\n# The guide's g++ line; VPL's debugger passes its flags as the"
                      " second argument.\n"
                      + linea.replace(f" -o {programa} ", " -o vpl_execution $2 ") + "\n",
        "vpl_evaluate.sh": EVALUAR.replace("@COMPROBADOR@", comprobador)
                                  .replace("@PROGRAMA@", programa).replace("@NUMERO@", numero)})
    for guion in ("vpl_run.sh", "vpl_evaluate.sh"):  # VPL's default evaluation runs ./vpl_run.sh
        os.chmod(os.path.join(ejecucion, guion), 0o755)

    # VPL's self-tests: the solution gets the maximum, the rest less.
    ejecutar(["git", "apply", parche], copia)
    solucion = leer(copia, pedidos)
    casos = {"pass-solucion": solucion, "fail-sin_cambios": lecciones}
    for indice, edits in enumerate(intentos(copia, ejercicio), 1):
        ajenos = {ruta for ruta, _, _ in edits} - set(pedidos)
        if ajenos:
            raise SystemExit(f"{ejercicio}: hint {indice}'s attempt edits {ajenos}, not requested")
        aplicar(copia, edits)
        casos[f"fail-pista_{indice}"] = leer(copia, pedidos)
        escribir(copia, solucion)
    escribir(copia, lecciones)
    for caso, textos in casos.items():
        escribir(os.path.join(ejecucion, "vpl_evaluation_tests", caso), textos)

    with open(os.path.join(carpeta, "conservar.txt"), "w", encoding="utf-8") as lista:
        lista.writelines(ruta + "\n" for ruta in sorted(conservar))
    comprimir(ejecucion, os.path.join(carpeta, f"{ejercicio}-ejecucion.zip"))


def main():
    destino = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                              os.path.join(RAIZ, "desarrollo", "vpl"))
    with contextlib.ExitStack() as pila:
        copia = copia_limpia(RAIZ, pila.callback)  # edited for the self-tests
        texto = leer(copia, ["GUIA.md"])["GUIA.md"]
        todos = glob.glob("*.salida", root_dir=os.path.join(copia, "ejercicios"))
        for ejercicio in sys.argv[2:] or sorted(s[:-len(".salida")] for s in todos):
            actividad(copia, texto, ejercicio, destino)
    print(destino)


if __name__ == "__main__":
    main()
