#!/usr/bin/env python3
"""Carries a change of a program's screens, ejercicios/<programa>.original against HEAD, to every
copy of its lines: each exercise's salida.txt (a three-way merge, so the exercise's own change
stays) and every text that shows or quotes a changed line (the books, the exercise folders' texts,
the slides, the prediction sheets, the manual pages, HACKING.md). A line is carried where it stands
whole; a quote of part of it («...» or `...`) where the quote holds the change. All or nothing:
when an exercise's output cannot be merged, nothing is written. Run by tools/ejercicios.sh rehacer,
before committing the change."""

import difflib
import re
import subprocess
import sys
from pathlib import Path

from comun import carpetas

RAIZ = Path(__file__).resolve().parent.parent


def en_cabeza(ruta: str) -> str:
    return subprocess.run(["git", "show", f"HEAD:{ruta}"], cwd=RAIZ, capture_output=True,
                          check=True, text=True).stdout


def cambiadas(antes: str, despues: str) -> list:
    """(old, new) for each line replaced one for one."""
    viejas, nuevas = antes.split("\n"), despues.split("\n")
    pares = []
    for operacion, a, b, c, d in difflib.SequenceMatcher(None, viejas, nuevas,
                                                          autojunk=False).get_opcodes():
        if operacion == "replace" and b - a == d - c:
            pares += [(v.rstrip(), n.rstrip()) for v, n in zip(viejas[a:b], nuevas[c:d])
                      if v.strip()]
    return pares


def llevar(texto: str, pares: list) -> str:
    for viejo, nuevo in pares:
        if len(viejo.strip()) >= 12:
            texto = texto.replace(viejo.strip(), nuevo.strip())
        else:  # a short line ("Rojo") only where it stands alone
            texto = re.sub(rf"(?m)^(\s*){re.escape(viejo.strip())}[ \t]*$",
                           lambda m: m[1] + nuevo.strip(), texto)

        def cita(m):
            dentro = m[2]
            i = viejo.find(dentro)
            if len(dentro) < 4 or i < 0:
                return m[0]
            antes, despues = viejo[:i], viejo[i + len(dentro):]
            if not (nuevo.startswith(antes) and nuevo.endswith(despues)):
                return m[0]  # the change is outside the quote
            return m[1] + nuevo[len(antes):len(nuevo) - len(despues)] + m[3]
        texto = re.sub(r"(«|`)([^»`\n]+)(»|`)", cita, texto)
    return texto


def juntar(suyo: str, base: str, hoy: str):
    """Both changes to `base`, the exercise's (`suyo`) and today's (`hoy`), line by line; None where
    they touch the same lines or insert at the same place. Unlike git merge-file, a change right
    next to the other's is no conflict: an exercise's line beside a printed line changed."""
    def cambios(otro):
        return [(i1, i2, otro[j1:j2]) for op, i1, i2, j1, j2 in difflib.SequenceMatcher(
            None, lineas, otro, autojunk=False).get_opcodes() if op != "equal"]
    lineas = base.split("\n")
    todos = sorted(cambios(suyo.split("\n")) + cambios(hoy.split("\n")), key=lambda c: c[:2])
    for (a1, a2, _), (b1, b2, _) in zip(todos, todos[1:]):
        if b1 < a2 or (a1, a2) == (b1, b2) or (b1 == b2 == a1):
            return None
    hecho, desde = [], 0
    for i1, i2, nuevas in todos:
        hecho += lineas[desde:i1] + nuevas
        desde = i2
    return "\n".join(hecho + lineas[desde:])


def fusionar(salida: Path, antes: str, despues: str) -> str:
    """The exercise's output with the screens' change too."""
    hecho = juntar(salida.read_text(encoding="utf-8"), antes, despues)
    if hecho is None:
        raise ValueError(f"{salida.relative_to(RAIZ)}: the exercise changes the lines the "
                         "screens' change does: write its new lines by hand")
    return hecho


def textos() -> list:
    listados = subprocess.run(["git", "ls-files", "*.md", "man/*.1"], cwd=RAIZ, capture_output=True,
                              check=True, text=True).stdout.split()
    return [RAIZ / r for r in listados]


def main() -> int:
    if sys.argv[1:2] == ["--juntar"]:  # tools/ejercicios.sh, for a patch's files: SUYO BASE HOY
        hecho = juntar(*(Path(r).read_text(encoding="utf-8") for r in sys.argv[2:5]))
        print(hecho, end="")
        return 1 if hecho is None else 0
    escribir, pares = {}, []
    try:
        for programa in carpetas(RAIZ):
            ruta = f"ejercicios/{programa}.original"
            antes, despues = en_cabeza(ruta), (RAIZ / ruta).read_text(encoding="utf-8")
            if antes == despues:
                continue
            pares += cambiadas(antes, despues)
            for salida in sorted(RAIZ.glob(f"ejercicios/{programa}-*/salida.txt")):
                escribir[salida] = fusionar(salida, antes, despues)
    except ValueError as fallo:
        print(f"{fallo}. Nothing was changed.", file=sys.stderr)
        return 1
    for archivo in textos():
        texto = archivo.read_text(encoding="utf-8")
        escribir[archivo] = llevar(texto, pares)
    for archivo, texto in escribir.items():
        if texto != archivo.read_text(encoding="utf-8"):
            archivo.write_text(texto, encoding="utf-8")
            print(f"{archivo.relative_to(RAIZ)}: the screens' change carried")
    return 0


if __name__ == "__main__":
    sys.exit(main())
