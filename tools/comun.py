"""What the tools and the tests read of the project alike: a clean copy of the files git tracks,
the guide's code block after a mark, and the wrong attempts of an exercise's hints,
ejercicios/<programa>-<n>/intentos.txt (HACKING.md, "Add an exercise"), each what the check must say of it
and a list of edits made on top of the exercise's solution."""

import os
import re
import shutil
import subprocess
import tempfile


def carpetas(raiz) -> dict:
    """Each program's folder, from the programs' table at the project's root."""
    with open(os.path.join(raiz, "programas.txt"), encoding="utf-8") as tabla:
        return {f[0]: f[1] for f in (fila.split() for fila in tabla) if f and f[0][0] != "#"}


def copia_limpia(raiz: str, limpiar) -> str:
    """A temporary folder with the files git tracks in `raiz`, as they are in its working tree,
    removed by `limpiar` (a test's addCleanup, an ExitStack's callback)."""
    copia = tempfile.mkdtemp(prefix="copia-")
    limpiar(shutil.rmtree, copia, True)
    listados = subprocess.run(["git", "-C", raiz, "ls-files", "-z"], capture_output=True,
                              check=True).stdout.decode().split("\0")
    for archivo in filter(None, listados):
        origen = os.path.join(raiz, archivo)
        if os.path.isfile(origen):  # a file deleted but not yet committed is not in the copy
            os.makedirs(os.path.dirname(os.path.join(copia, archivo)), exist_ok=True)
            shutil.copy(origen, os.path.join(copia, archivo))
    return copia


def seccion(texto: str, programa: str, subtitulo: str = "") -> str:
    """A book's section of one program, from its '## N. programa' heading to the next '## '; with
    `subtitulo`, only its subsection whose '### ' heading starts so, to the next '### '."""
    for patron in [rf"^## \d+\. {programa}\b.*?(?=^## |\Z)"] + (
            [rf"^### {re.escape(subtitulo)}.*?(?=^### |\Z)"] if subtitulo else []):
        hallada = re.search(patron, texto, re.MULTILINE | re.DOTALL)
        texto = hallada[0] if hallada else ""
    return texto


def bloque_de_la_guia(guia: str, marca: str) -> list:
    """The lines of the fenced block right after the comment line that starts with `marca`."""
    bloque = re.search(re.escape(marca) + r"[^\n]*\n\s*```\w*\n(.*?)```", guia, re.S)
    if not bloque:
        raise AssertionError(f"GUIA.md: no code block right after a line {marca!r}...")
    return bloque.group(1).splitlines()


def intentos(raiz: str, ejercicio: str) -> list[tuple[str, list[tuple[str, str, str]]]]:
    """Per wrong attempt, in order: what the check says of it (its `intento:` words, a trailing
    "..." taken off: the start of a hint, or any words of the answer) and its edits (ruta, antes,
    despues): its '-' and '+' lines, each + '\n'."""
    ruta_intentos = os.path.join(raiz, "ejercicios", ejercicio, "intentos.txt")
    todos, edicion = [], None
    if not os.path.exists(ruta_intentos):  # an exercise with no hints has no attempts
        return todos
    with open(ruta_intentos, encoding="utf-8") as archivo:
        for numero, linea in enumerate(archivo.read().split("\n"), 1):
            if linea.startswith("intento:"):
                todos.append((linea[len("intento:"):].strip().removesuffix("..."), []))
                edicion = None
            elif todos and linea.startswith("en "):
                edicion = [linea[len("en "):].strip(), "", ""]
                todos[-1][1].append(edicion)
            elif edicion and linea.startswith("-") and not edicion[2]:
                edicion[1] += linea[1:] + "\n"
            elif edicion and linea.startswith("+"):
                edicion[2] += linea[1:] + "\n"
            elif linea.strip() and not linea.startswith("#"):
                raise ValueError(f"{ruta_intentos}:{numero}: out of place: {linea}")
    return [(dicho, [tuple(edicion) for edicion in edits]) for dicho, edits in todos]


def aplicar(raiz_de_la_copia: str, edits) -> None:
    """Makes one attempt's edits in place, each replacing the first occurrence of its lines."""
    for ruta, antes, despues in edits:
        with open(os.path.join(raiz_de_la_copia, ruta), encoding="utf-8") as archivo:
            texto = archivo.read()
        if antes not in texto:
            raise ValueError(f"{ruta} has no such lines, for a wrong attempt to change:\n{antes}")
        with open(os.path.join(raiz_de_la_copia, ruta), "w", encoding="utf-8") as archivo:
            archivo.write(texto.replace(antes, despues, 1))
