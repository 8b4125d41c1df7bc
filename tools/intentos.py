"""The wrong attempts of an exercise's hints, ejercicios/<programa>-<n>.intentos (HACKING.md,
"Add an exercise"), each a list of edits made on top of the exercise's solution."""

import os


def intentos(raiz: str, ejercicio: str) -> list[list[tuple[str, str, str]]]:
    """Per hint, in order, its edits (ruta, antes, despues): its '-' and '+' lines, each + '\n'."""
    ruta_intentos = os.path.join(raiz, "ejercicios", ejercicio + ".intentos")
    todos, edicion = [], None
    if not os.path.exists(ruta_intentos):  # an exercise with no hints has no attempts
        return todos
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
                raise ValueError(f"{ruta_intentos}:{numero}: out of place: {linea}")
    return [[tuple(edicion) for edicion in intento] for intento in todos]


def aplicar(raiz_de_la_copia: str, edits) -> None:
    """Makes one attempt's edits in place, each replacing the first occurrence of its lines."""
    for ruta, antes, despues in edits:
        with open(os.path.join(raiz_de_la_copia, ruta), encoding="utf-8") as archivo:
            texto = archivo.read()
        if antes not in texto:
            raise ValueError(f"{ruta} has no such lines, for a wrong attempt to change:\n{antes}")
        with open(os.path.join(raiz_de_la_copia, ruta), "w", encoding="utf-8") as archivo:
            archivo.write(texto.replace(antes, despues, 1))
