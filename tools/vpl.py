#!/usr/bin/env python3
"""Makes each exercise a VPL activity (the Virtual Programming Lab of Moodle) graded by the checker,
from the files git tracks as the working tree has them: DESTINO/<programa>-<n>/ (DESTINO defaults
to desarrollo/vpl) with
- pedidos/: the requested files, those the exercise's patch touches, with the lesson's text;
- ejecucion/: the execution files: the rest of what the guide's g++ lines for the program and for
  the checker compile (the headers as g++ -MM finds them), the checks' console, the exercise's
  expected output, input and hints, vpl_run.sh (the guide's line; VPL's debugger adds
  its flags as the second argument), vpl_evaluate.sh (EVALUAR) and vpl_evaluation_tests/, VPL's
  self-tests: the solution, the unchanged files and each hint's wrong attempt;
- <programa>-<n>-pedidos.zip and <programa>-<n>-ejecucion.zip: the two folders as VPL's file
  editors import them, each file in its folder; the second also holds the checker, built by the
  guide's line for Linux x86-64 (static, so that no evaluation compiles it).
Exercises named after DESTINO are the only ones made."""

import contextlib
import glob
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

from comun import aplicar, bloque_de_la_guia, copia_limpia, intentos

RAIZ = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MARCA_PROGRAMAS = "<!-- comandos g++"
MARCA_COMPROBADOR = "<!-- comprobar sin CMake: g++ -->"
CONSOLA_DE_LAS_COMPROBACIONES = ("comprobador/consola_comprobacion.cpp "
                                 "comprobador/reservas.cpp")
# What an evaluation needs of each of VPL's limits: the field's Spanish name, the least it may be in
# the unit the activity's form shows, that unit in VPL's variable and its name. VPL's defaults are
# 128 MiB, 240 s, 200 processes and 64 MiB.
LIMITES = {"VPL_MAXMEMORY": ("Máxima memoria usada", 128, 1024 * 1024, " MiB"),
           "VPL_MAXTIME": ("Máximo tiempo de ejecución", 60, 1, " segundos"),
           "VPL_MAXPROCESSES": ("Máximo número de procesos", 10, 1, ""),
           "VPL_MAXFILESIZE": ("Máximo tamaño de un fichero en ejecución", 16, 1024 * 1024, " MiB")}
EVALUAR = """#!/bin/bash
# VPL's evaluation, before any code of the learner's is built or run. Every file the check needs,
# the learner's and the activity's, is moved into .proyecto, where VPL deletes nothing (so no file
# needs keeping, and none is left where it was); vpl_execution only hands over to the checker,
# which reads what it compares with, deletes it, and only then builds and runs the learner's
# program. An activity that cannot grade says why and leaves no vpl_execution: it gets no grade.
. ./vpl_environment.sh 2>/dev/null
pedidos=(@PEDIDOS@)
ejecucion=(@EJECUCION@)
rm -rf .proyecto vpl_execution
mal() {  # what to fix, for the teacher; what the learner reads first, when it is not the default
  echo "${2:-La actividad no está bien preparada y no se puede evaluar. No es un fallo de tu programa: avisa a tu profesor.}"
  echo "Al profesor: $1"
  exit 0
}
faltan=()
for archivo in "${pedidos[@]}"; do [ -f "$archivo" ] || faltan+=("$archivo"); done
[ ${#faltan[@]} = 0 ] || mal "en «Ficheros requeridos», importa @EJERCICIO@-pedidos.zip; en «Restricciones de entrega», el «Número máximo de ficheros» debe ser @NPEDIDOS@ o más." "Falta en tu entrega: ${faltan[*]}. Si le has cambiado el nombre o la carpeta, devuélveselos; si no lo tienes en el editor, avisa a tu profesor."
for archivo in "${ejecucion[@]}"; do [ -f "$archivo" ] || faltan+=("$archivo"); done
[ ${#faltan[@]} = 0 ] || mal "faltan ficheros para la ejecución (${faltan[*]}). En «Ficheros para la ejecución», importa @EJERCICIO@-ejecucion.zip y guarda."
@LIMITES@
command -v g++ >/dev/null || mal "el servidor de ejecución no tiene g++, que compila el programa del estudiante (C++17)."
# A file the learner added (VPL_SUBFILES) is built too, as the checker builds any in the folder.
copiar=("${pedidos[@]}" "${ejecucion[@]}")
while read -r archivo; do [ -f "$archivo" ] && copiar+=("$archivo"); done <<<"${VPL_SUBFILES-}"
mkdir .proyecto && cp -p --parents "${copiar[@]}" .proyecto/ &&
  rm -f "${ejecucion[@]}" ||
  mal "no se han podido copiar los archivos en .proyecto."
chmod +x .proyecto/comprobar
if .proyecto/comprobar >/dev/null 2>&1; [ $? != 2 ]; then
  echo "Preparando la comprobación en este servidor (tarda unos segundos)..."
  (cd .proyecto && rm -f comprobar && @COMPROBADOR@ 2>compilador.txt) || mal "la comprobación no se puede compilar aquí: necesita un g++ de C++17 con <filesystem> (g++ 9 o posterior) y unos 256 MiB de «Máxima memoria usada». g++ dice:
$(head -n 20 .proyecto/compilador.txt)"
fi
printf '#!/bin/bash\\nexec .proyecto/comprobar --vpl --raiz .proyecto @PROGRAMA@ @NUMERO@\\n' >vpl_execution
chmod +x vpl_execution
"""


def limites() -> str:
    """The script's lines that stop an evaluation whose limits are too small for the check."""
    return "\n".join(
        f'[ "${{{v}:-{minimo * u}}}" -ge {minimo * u} ] 2>/dev/null || mal "en «Límites de recursos'
        f' de ejecución», «{campo}» debe ser al menos {minimo}{unidad} (ahora, $(({v} / {u})){unidad}).'
        '"' for v, (campo, minimo, u, unidad) in LIMITES.items())


def ejecutar(orden: list, carpeta: str) -> str:
    return subprocess.run(orden, cwd=carpeta, check=True, capture_output=True, text=True).stdout


def compilado(copia: str, linea: str) -> set:
    """The sources of a g++ line and every header they include, as g++ -MM finds them."""
    fuentes = [palabra for palabra in linea.split() if palabra.endswith(".cpp")]
    reglas = ejecutar(["g++", "-std=c++17", "-I.", "-MM", *fuentes], copia)
    return {os.path.normpath(p) for p in reglas.split() if p != "\\" and not p.endswith(":")}


def escribir(carpeta: str, archivos: dict):
    for ruta, texto in archivos.items():
        pathlib.Path(carpeta, ruta).parent.mkdir(parents=True, exist_ok=True)
        pathlib.Path(carpeta, ruta).write_text(texto, encoding="utf-8")


def leer(carpeta: str, rutas) -> dict:
    return {ruta: pathlib.Path(carpeta, ruta).read_text(encoding="utf-8") for ruta in rutas}


def comprobador_estatico(copia: str, linea: str, destino: str):
    """The checker by the guide's line, linked statically and stripped so that it runs on any Linux
    x86-64 with nothing installed; its paths from the copy left out, so that two builds agree."""
    orden = linea.replace("g++ ", "g++ -Os -ffunction-sections -fdata-sections -Wl,--gc-sections "
                          f"-static -s -ffile-prefix-map={copia}=. ", 1)
    ejecutar(["sh", "-e", "-c", orden.replace(" -o comprobar ", f" -o {destino} ")], copia)


def comprimir(carpeta: str, archivo: str, otros: dict = None):
    """Every file at its path from `carpeta`, and `otros` (path in the zip: file), in name order,
    dated from SOURCE_DATE_EPOCH (or 1980) so that two runs on one commit give the same bytes."""
    fecha = time.gmtime(int(os.environ.get("SOURCE_DATE_EPOCH", "315532800")))[:6]
    origen = {os.path.relpath(os.path.join(d, n), carpeta): os.path.join(d, n)
              for d, _, nombres in os.walk(carpeta) for n in nombres} | (otros or {})
    with zipfile.ZipFile(archivo, "w", zipfile.ZIP_DEFLATED) as zip_:
        for ruta in sorted(origen):
            entrada = zipfile.ZipInfo(ruta, fecha)
            ejecutable = ruta.endswith(".sh") or ruta == "comprobar"
            entrada.external_attr = (0o755 if ejecutable else 0o644) << 16
            zip_.writestr(entrada, pathlib.Path(origen[ruta]).read_bytes(), zipfile.ZIP_DEFLATED)


def actividad(copia: str, guia: str, ejercicio: str, destino: str, comprobador_hecho: str):
    programa, numero = ejercicio.rsplit("-", 1)
    linea = next(l for l in bloque_de_la_guia(guia, MARCA_PROGRAMAS) if f" -o {programa} " in l)
    comprobador = bloque_de_la_guia(guia, MARCA_COMPROBADOR)[0]
    parche = f"ejercicios/{ejercicio}/solucion.patch"
    pedidos = sorted(l.split("\t")[2] for l in ejecutar(["git", "apply", "--numstat", parche],
                                                         copia).splitlines())
    datos = {"programas.txt", f"ejercicios/{ejercicio}/salida.txt", f"ejercicios/{programa}.original",
             f"ejercicios/{programa}.entrada", f"ejercicios/{ejercicio}/pistas.txt"}
    proyecto = sorted((compilado(copia, f"{linea} {CONSOLA_DE_LAS_COMPROBACIONES} {comprobador}")
                       | {d for d in datos if os.path.exists(os.path.join(copia, d))}) - set(pedidos))
    carpeta = os.path.join(destino, ejercicio)
    shutil.rmtree(carpeta, ignore_errors=True)
    ejecucion = os.path.join(carpeta, "ejecucion")
    lecciones = leer(copia, pedidos)
    escribir(os.path.join(carpeta, "pedidos"), lecciones)
    escribir(ejecucion, leer(copia, proyecto))
    palabras = {"@COMPROBADOR@": comprobador, "@PROGRAMA@": programa, "@NUMERO@": numero,
                "@EJERCICIO@": ejercicio, "@NPEDIDOS@": str(len(pedidos)),
                "@PEDIDOS@": " ".join(pedidos), "@EJECUCION@": " ".join(proyecto + ["comprobar"]),
                "@LIMITES@": limites()}
    escribir(ejecucion, {
        "vpl_run.sh": "#!/bin/bash\n# The guide's g++ line; VPL's debugger passes its flags as the"
                      " second argument.\n"
                      + linea.replace(f" -o {programa} ", " -o vpl_execution $2 ") + "\n",
        "vpl_evaluate.sh": re.sub(r"@[A-Z]+@", lambda m: palabras[m[0]], EVALUAR)})
    for guion in ("vpl_run.sh", "vpl_evaluate.sh"):  # VPL's default evaluation runs ./vpl_run.sh
        os.chmod(os.path.join(ejecucion, guion), 0o755)

    # VPL's self-tests: the solution gets the maximum, the rest less.
    ejecutar(["git", "apply", parche], copia)
    solucion = leer(copia, pedidos)
    casos = {"pass-solucion": solucion, "fail-sin_cambios": lecciones}
    for indice, (_, edits) in enumerate(intentos(copia, ejercicio), 1):
        ajenos = {ruta for ruta, _, _ in edits} - set(pedidos)
        if ajenos:
            raise SystemExit(f"{ejercicio}: attempt {indice} edits {ajenos}, not requested")
        aplicar(copia, edits)
        casos[f"fail-intento_{indice}"] = leer(copia, pedidos)
        escribir(copia, solucion)
    escribir(copia, lecciones)
    for caso, textos in casos.items():
        escribir(os.path.join(ejecucion, "vpl_evaluation_tests", caso), textos)

    # The checker only in the zip: ejecucion/ is there to be read.
    comprimir(ejecucion, os.path.join(carpeta, f"{ejercicio}-ejecucion.zip"),
              {"comprobar": comprobador_hecho})
    comprimir(os.path.join(carpeta, "pedidos"), os.path.join(carpeta, f"{ejercicio}-pedidos.zip"))


def main():
    destino = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                              os.path.join(RAIZ, "desarrollo", "vpl"))
    with contextlib.ExitStack() as pila:
        copia = copia_limpia(RAIZ, pila.callback)  # edited for the self-tests
        texto = pathlib.Path(copia, "GUIA.md").read_text(encoding="utf-8")
        hecho = os.path.join(pila.enter_context(tempfile.TemporaryDirectory()), "comprobar")
        comprobador_estatico(copia, bloque_de_la_guia(texto, MARCA_COMPROBADOR)[0], hecho)
        todos = glob.glob("*/salida.txt", root_dir=os.path.join(copia, "ejercicios"))
        for ejercicio in sys.argv[2:] or sorted(os.path.dirname(s) for s in todos):
            actividad(copia, texto, ejercicio, destino, hecho)
    print(destino)


if __name__ == "__main__":
    main()
