#!/usr/bin/env python3
"""Assembles the books' exercise sections from the exercise folders: each program's exercises in
GUIA.md (under its '### Ejercicios') from ejercicios/<programa>-<n>/enunciado.md, and their
solutions in PROFESOR.md (under '### Soluciones de los ejercicios', after its opening paragraph)
from respuesta.md. The statement's first line, '# <title>', titles both; the number is the
folder's.

  tools/libros.py               rewrites the two books' exercise sections
  tools/libros.py --comprobar   changes nothing; fails, naming the file and line, when a book is
                                not what its exercises make it, when a statement or the guide's own
                                prose is over its word budget, when an exercise's folder lacks a file
                                or a program's class plan sets none of an exercise."""

import re
import subprocess
import sys
from pathlib import Path

from comun import carpetas, seccion

RAIZ = Path(__file__).resolve().parent.parent
EJERCICIOS = RAIZ / "ejercicios"
# Words as `pandoc -t plain | wc -w` counts them: a statement's, and the guide's but the statements.
PRESUPUESTO = {"enunciado": 150, "guia": 4000}
# Each book: the heading its program's exercises follow, the heading of each, and the file of the
# exercise's folder that holds its text.
LIBROS = {"GUIA.md": ("### Ejercicios", "#### {n}. {titulo}", "enunciado.md"),
          "PROFESOR.md": ("### Soluciones de los ejercicios", "#### Ejercicio {n}. {titulo}",
                          "respuesta.md")}


def ejercicios(programa: str) -> list:
    """A program's exercise folders, by number."""
    return sorted(EJERCICIOS.glob(f"{programa}-*/"), key=lambda c: int(c.name.rsplit("-", 1)[1]))


def titulo_y_texto(carpeta: Path) -> tuple:
    enunciado = (carpeta / "enunciado.md").read_text(encoding="utf-8")
    primera, _, resto = enunciado.partition("\n")
    if not primera.startswith("# "):
        raise SystemExit(f"{carpeta.relative_to(RAIZ)}/enunciado.md:1: its first line must be "
                         "'# <title>', the exercise's title in both books")
    return primera[2:].strip(), resto


def zona(texto: str, libro: str, programa: str) -> tuple:
    """Where a program's exercises stand in a book: (start, end) offsets, from the first exercise
    heading under the program's mark to the end of that subsection."""
    marca = LIBROS[libro][0]
    parte = seccion(texto, programa, marca.removeprefix("### "))
    primera = parte.find("\n#### ")
    if primera < 0:
        raise SystemExit(f"{libro}: no exercise under '{marca}' in the section '## N. {programa}'")
    desde = texto.find(parte)
    return desde + primera + 1, desde + len(parte)


def montado(libro: str, texto: str) -> str:
    """The book with each program's exercises made again from their folders."""
    _, cabecera, archivo = LIBROS[libro]
    for programa in carpetas(RAIZ):
        partes = []
        for carpeta in ejercicios(programa):
            titulo, enunciado = titulo_y_texto(carpeta)
            cuerpo = enunciado if archivo == "enunciado.md" else \
                (carpeta / archivo).read_text(encoding="utf-8") if (carpeta / archivo).exists() else ""
            n = carpeta.name.rsplit("-", 1)[1]
            partes.append(f"{cabecera.format(n=n, titulo=titulo)}\n\n{cuerpo.strip()}\n")
        inicio, fin = zona(texto, libro, programa)
        texto = texto[:inicio] + "\n".join(partes) + "\n" + texto[fin:]
    return texto


def palabras(markdown: str) -> int:
    return len(subprocess.run(["pandoc", "--to", "plain"], input=markdown, capture_output=True,
                              text=True, check=True).stdout.split())


def sin_asignar(profesor: str) -> list:
    """'programa-n' of each exercise its program's class plan (its '### La clase en una página'
    subsection, the table and the homework) never names."""
    faltan = []
    for programa in carpetas(RAIZ):
        # "ejercicio 3", "Ejercicio 1", "ejercicios 3, 4, 5 y 6", "los ejercicios 5 y 6"
        nombrados = {n for lista in re.findall(r"[Ee]jercicios? ((?:\d+(?:, | y )?)+)",
                                               seccion(profesor, programa, "La clase en una página"))
                     for n in re.findall(r"\d+", lista)}
        faltan += [c.name for c in ejercicios(programa) if c.name.rsplit("-", 1)[1] not in nombrados]
    return faltan


def de(libro: str, antes: list) -> str:
    """The exercise's file that makes the last of a book's lines."""
    _, cabecera, archivo = LIBROS[libro]
    patron = re.escape(cabecera).replace(r"\{n\}", r"(\d+)").replace(r"\{titulo\}", ".*")
    numero = next((m[1] for l in reversed(antes) for m in [re.fullmatch(patron, l)] if m), None)
    programa = next((m[1] for l in reversed(antes) for m in [re.match(r"## \d+\. (\w+)", l)] if m),
                    None)
    return f"ejercicios/{programa}-{numero}/{archivo}" if numero else "its exercises' folders"


def comprobar() -> list:
    fallos = []
    for libro in LIBROS:
        texto = (RAIZ / libro).read_text(encoding="utf-8")
        hecho = montado(libro, texto)
        if hecho != texto:
            viejas, nuevas = texto.split("\n"), hecho.split("\n")
            n = next(i for i, (a, b) in enumerate(zip(viejas + [None], nuevas + [None])) if a != b)
            fallos.append(f"{libro}:{n + 1}: is {viejas[n] if n < len(viejas) else '(the end)'!r}"
                          f", {de(libro, nuevas[:n + 1])} makes it "
                          f"{nuevas[n] if n < len(nuevas) else '(the end)'!r}: edit that file, "
                          "then run tools/libros.py")
    propia = (RAIZ / "GUIA.md").read_text(encoding="utf-8")
    for programa in carpetas(RAIZ):
        for carpeta in ejercicios(programa):
            fallos += [f"{carpeta.relative_to(RAIZ)}: no {a}" for a in
                       ("respuesta.md", "salida.txt", "solucion.patch") if not (carpeta / a).is_file()]
            titulo, enunciado = titulo_y_texto(carpeta)
            cuantas = palabras(enunciado)
            if cuantas > PRESUPUESTO["enunciado"]:
                fallos.append(f"{carpeta.relative_to(RAIZ)}/enunciado.md:2: {cuantas} words, "
                              f"{PRESUPUESTO['enunciado']} at most: ask it shorter")
        inicio, fin = zona(propia, "GUIA.md", programa)
        propia = propia[:inicio] + propia[fin:]
    cuantas = palabras(propia)
    if cuantas > PRESUPUESTO["guia"]:
        fallos.append(f"GUIA.md:1: its own prose, the statements aside, is {cuantas} words, "
                      f"{PRESUPUESTO['guia']} at most: say it shorter, or once and refer to it")
    for ejercicio in sin_asignar((RAIZ / "PROFESOR.md").read_text(encoding="utf-8")):
        fallos.append(f"PROFESOR.md: {ejercicio.rsplit('-', 1)[0]}'s plan ('### La clase en una "
                      f"página') never sets {ejercicio}: name it in a row or in the homework")
    return fallos


def main() -> int:
    if sys.argv[1:] == ["--comprobar"]:
        fallos = comprobar()
        print("\n".join(fallos) if fallos else "the books are what their exercises make them",
              file=sys.stderr if fallos else sys.stdout)
        return 1 if fallos else 0
    if sys.argv[1:]:
        print(f"usage: {sys.argv[0]} [--comprobar]", file=sys.stderr)
        return 2
    montar()
    return 0


def montar():
    for libro in LIBROS:
        ruta = RAIZ / libro
        texto = ruta.read_text(encoding="utf-8")
        hecho = montado(libro, texto)
        if hecho != texto:
            ruta.write_text(hecho, encoding="utf-8")
            print(f"{libro}: assembled again")


if __name__ == "__main__":
    sys.exit(main())
