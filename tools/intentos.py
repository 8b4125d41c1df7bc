"""The wrong attempts of an exercise's hints, ejercicios/<programa>-<n>.intentos: one for each
`pista:` of its .pistas, in the same order, each made of edits on top of the exercise's solution.

    intento: <which hint it is>
    en <file, from the project's root>
    -<a whole line to find; the '-' lines are consecutive, and the first such lines are taken>
    +<a line that replaces them; none, and they are deleted>

Lines starting with '#', and blank ones, are comments. An attempt may edit several places."""

import os


def intentos(raiz: str, ejercicio: str) -> list[list[tuple[str, str, str]]]:
    """Per hint, in order, its edits as (ruta, antes, despues): the '-' and '+' lines, each ending
    in a newline. Fails, naming the file and line, on a line of no known kind."""
    ruta_intentos = os.path.join(raiz, "ejercicios", ejercicio + ".intentos")
    todos, edicion = [], None
    with open(ruta_intentos, encoding="utf-8") as archivo:
        for numero, linea in enumerate(archivo.read().split("\n"), 1):
            if linea.startswith("intento:"):
                todos.append([])
                edicion = None
            elif todos and linea.startswith("en "):
                edicion = [linea[len("en "):].strip(), "", ""]
                todos[-1].append(edicion)
            elif edicion and linea.startswith("-") and not edicion[2]:
                edicion[1] += linea[1:] + "\n"
            elif edicion and linea.startswith("+"):
                edicion[2] += linea[1:] + "\n"
            elif linea.strip() and not linea.startswith("#"):
                raise ValueError(f"{ruta_intentos}:{numero}: not an 'intento:', 'en', '-' or '+' "
                                 f"line in its place: {linea}")
    return [[tuple(edicion) for edicion in intento] for intento in todos]


def aplicar(raiz_de_la_copia: str, edits) -> None:
    """Makes one attempt's edits in the files under raiz_de_la_copia, each replacing the first
    occurrence of its lines; fails, naming the file and the lines, when they are not there."""
    for ruta, antes, despues in edits:
        with open(os.path.join(raiz_de_la_copia, ruta), encoding="utf-8") as archivo:
            texto = archivo.read()
        if antes not in texto:
            raise ValueError(f"{ruta} has no such lines, for a wrong attempt to change:\n{antes}")
        with open(os.path.join(raiz_de_la_copia, ruta), "w", encoding="utf-8") as archivo:
            archivo.write(texto.replace(antes, despues, 1))
