"""TEMPORARY: the hints' wrong attempts, read from tests/e2e_ejercicios.INTENTOS until they move to
ejercicios/<ejercicio>.intentos; same interface as the reader that replaces this file."""

import os
import sys


def intentos(raiz: str, ejercicio: str) -> list:
    """Per hint, in order: its edits as (ruta, antes, despues)."""
    sys.path.insert(0, os.path.join(raiz, "tests"))
    import e2e_ejercicios  # pylint: disable=import-outside-toplevel
    return [list(intento) for intento in e2e_ejercicios.INTENTOS.get(ejercicio, [])]


def aplicar(raiz_de_la_copia: str, edits) -> None:
    """Replaces, in place, the first `antes` of each file by its `despues`."""
    for ruta, antes, despues in edits:
        archivo = os.path.join(raiz_de_la_copia, ruta)
        with open(archivo, encoding="utf-8") as entrada:
            texto = entrada.read()
        if antes not in texto:
            raise ValueError(f"{ruta}: not found: {antes!r}")
        with open(archivo, "w", encoding="utf-8") as salida:
            salida.write(texto.replace(antes, despues, 1))
