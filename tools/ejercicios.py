#!/usr/bin/env python3
"""Keeps the exercises in step with the lesson code and the programs' screens.

  tools/ejercicios.py nuevo <programa>-<n>
    Writes ejercicios/<programa>-<n>/solucion.patch from the working tree's changes to the lesson
    code (the folders of programas.txt against HEAD, new files in them included), then takes that
    change back out of the working tree. Changes anywhere else, and the user's index, stay.
  tools/ejercicios.py comprobar|rehacer [<programa>-<n> ...]
    Of each patch (every one by default), comprobar names each hunk whose old lines are not in the
    working tree exactly where it was made: missing, moved or there more than once. rehacer, before
    committing: each patch's hunks found in HEAD, where they were made, and the working tree's
    changes to the lesson code merged into its solution line by line; each program's change to its
    screens, ejercicios/<programa>.original against HEAD, merged into every exercise's salida.txt
    and carried to every text (Markdown, manual page, hints) that shows a changed line whole, or
    quotes («...», `...`) the part of it that changed; then the books assembled again. All or
    nothing.

A patch has no `index` lines (their blob ids change with any edit of its files) and, in each hunk,
as many lines of context as make its old lines occur once in their file: git apply takes the match
nearest a hunk's line number, after lines move maybe another screen that prints the same lines."""

import difflib
import os
import re
import subprocess
import sys
import tempfile
from pathlib import Path

import libros
from comun import carpetas

RAIZ = Path(__file__).resolve().parent.parent
LECCIONES = list(carpetas(RAIZ).values())
DIFF = ["-c", "diff.suppressBlankEmpty=false", "-c", "core.quotePath=true", "diff", "--no-ext-diff",
        "--no-textconv", "--no-color", "--no-relative", "--no-renames", "--src-prefix=a/",
        "--dst-prefix=b/", "--inter-hunk-context=0", "--diff-algorithm=myers", "--indent-heuristic",
        "-O/dev/null"]


class Fallo(Exception):
    """What cannot be done, said to the user; nothing was changed."""


def git(*orden, entrada=None, indice=None, check=True) -> str:
    entorno = dict(os.environ, **({"GIT_INDEX_FILE": indice} if indice else {}))
    hecho = subprocess.run(["git", *orden], input=entrada, capture_output=True, text=True,
                           env=entorno, cwd=RAIZ)
    if check and hecho.returncode:
        raise Fallo(hecho.stderr.strip())
    return hecho.stdout


def en(arbol: str, ruta: str):
    """A file's text in a tree, or None."""
    hecho = subprocess.run(["git", "show", f"{arbol}:{ruta}"], capture_output=True, text=True,
                           cwd=RAIZ)
    return hecho.stdout if hecho.returncode == 0 else None


def lugares(parche: str, leer, exacta=False) -> str:
    """The patch with each hunk numbered where its old lines (context and removed) are in `leer`'s
    file, once; (exacta) only at the line it says. Fails naming each hunk that is not."""
    lineas, fallos, todas, cabecera = parche.split("\n"), [], None, False
    for i, linea in enumerate(lineas):
        if linea.startswith("diff --git "):
            desplazadas, cabecera = 0, True
        elif cabecera and linea.startswith("--- "):
            cabecera = False
            ruta = linea[len("--- a/"):]
            todas = None if linea == "--- /dev/null" else (leer(ruta) or "").split("\n")
        elif linea.startswith("@@ ") and todas is not None:
            cuerpo = []
            for otra in lineas[i + 1:]:
                if otra[:1] not in (" ", "-", "+", "\\"):
                    break
                cuerpo.append(otra)
            viejas = [l[1:] for l in cuerpo if l[:1] in (" ", "-")]
            hecha = int(re.match(r"@@ -(\d+)", linea)[1])
            halladas = [n + 1 for n in range(len(todas) - len(viejas) + 1)
                        if todas[n:n + len(viejas)] == viejas]
            if len(halladas) == 1 and (not exacta or halladas == [hecha]):
                n = halladas[0]
                lineas[i] = re.sub(r"^@@ -\d+(,\d+)? \+\d+",
                                   lambda m: f"@@ -{n}{m[1] or ''} +{n + desplazadas}", linea)
                desplazadas += sum(l[:1] == "+" for l in cuerpo) - sum(l[:1] == "-" for l in cuerpo)
                continue
            donde = (f"now at line {halladas[0]}: moved" if len(halladas) == 1 else
                     f"at lines {', '.join(map(str, halladas))}: more than once" if halladas
                     else "not there")
            fallos.append(f"{ruta}, the hunk of line {hecha}: its old lines are {donde}")
    if fallos:
        raise Fallo("\n".join(fallos))
    return "\n".join(lineas)


def diferencias(antes: str, despues, indice=None) -> str:
    """The lesson code's change from the tree `antes` to `despues` (None: the working tree, as
    `indice` sees it) with the least context, 3 lines at least, that makes each hunk's old lines
    unique in `antes`, the same whatever the user's git configuration."""
    for contexto in range(3, 201):
        parche = re.sub(r"(?m)^index [0-9a-f]+\.\.[0-9a-f]+( [0-7]+)?\n", "", git(
            *DIFF, f"--unified={contexto}", antes, *filter(None, [despues]), "--", *LECCIONES,
            indice=indice))
        try:
            return lugares(parche, lambda ruta: en(antes, ruta))
        except Fallo as fallo:
            ultimo = fallo
    raise ultimo


def juntar(suyo: str, base: str, hoy: str):
    """Both changes to `base`, the exercise's (`suyo`) and today's (`hoy`), line by line; None where
    they touch the same lines or insert at the same place. Unlike git merge-file, a change right
    next to the other's is no conflict: an exercise's line beside a printed line changed."""
    lineas = base.split("\n")

    def cambios(otro):
        return {(i1, i2, tuple(otro[j1:j2])) for op, i1, i2, j1, j2 in difflib.SequenceMatcher(
            None, lineas, otro, autojunk=False).get_opcodes() if op != "equal"}
    # The same change made on both sides (rehacer run again) is made once.
    todos = sorted(cambios(suyo.split("\n")) | cambios(hoy.split("\n")), key=lambda c: c[:2])
    for (a1, a2, _), (b1, b2, _) in zip(todos, todos[1:]):
        if b1 < a2 or (a1, a2) == (b1, b2) or b1 == b2 == a1:
            return None
    hecho, desde = [], 0
    for i1, i2, nuevas in todos:
        hecho, desde = hecho + lineas[desde:i1] + list(nuevas), i2
    return "\n".join(hecho + lineas[desde:])


def llevar(texto: str, viejo: str, nuevo: str) -> str:
    """A changed printed line carried in a text: whole (a short one, "Rojo", only alone on its
    line), and in each quote of it that holds the change."""
    if len(viejo.strip()) >= 12:
        texto = texto.replace(viejo.strip(), nuevo.strip())
    else:
        texto = re.sub(rf"(?m)^(\s*){re.escape(viejo.strip())}[ \t]*$",
                       lambda m: m[1] + nuevo.strip(), texto)

    def cita(m):
        i = viejo.find(m[2])
        antes, despues = viejo[:i], viejo[i + len(m[2]):]
        if len(m[2]) < 4 or i < 0 or not (nuevo.startswith(antes) and nuevo.endswith(despues)):
            return m[0]  # not a quote of it, or the change is outside the quote
        return m[1] + nuevo[len(antes):len(nuevo) - len(despues)] + m[3]
    return re.sub(r"(«|`)([^»`\n]+)(»|`)", cita, texto)


def pantallas() -> dict:
    """Each file the screens' changes against HEAD make otherwise: its new text."""
    escribir, pares = {}, []
    for programa in carpetas(RAIZ):
        antes = en("HEAD", f"ejercicios/{programa}.original")
        despues = (RAIZ / f"ejercicios/{programa}.original").read_text(encoding="utf-8")
        if antes is None or antes == despues:
            continue
        viejas, nuevas = antes.split("\n"), despues.split("\n")
        for op, a, b, c, d in difflib.SequenceMatcher(None, viejas, nuevas,
                                                      autojunk=False).get_opcodes():
            if op == "replace" and b - a == d - c:  # lines replaced one for one
                pares += [(v.rstrip(), n.rstrip()) for v, n in zip(viejas[a:b], nuevas[c:d])
                          if v.strip()]
        for salida in sorted(RAIZ.glob(f"ejercicios/{programa}-*/salida.txt")):
            # HEAD's output merged, unless the one here is neither it nor that (edited by hand).
            cabeza, hoy = en("HEAD", str(salida.relative_to(RAIZ))), salida.read_text(encoding="utf-8")
            escribir[salida] = cabeza and juntar(cabeza, antes, despues)
            if escribir[salida] != hoy and hoy != cabeza:
                escribir[salida] = juntar(hoy, antes, despues)
            if escribir[salida] is None:
                raise Fallo(f"{salida.relative_to(RAIZ)}: the exercise changes the lines the "
                            "screens' change does: write its new lines by hand")
    textos = git("ls-files", "*.md", "man/*.1", "ejercicios/*/pistas.txt").split() if pares else []
    for ruta in textos:
        texto = (RAIZ / ruta).read_text(encoding="utf-8")
        for viejo, nuevo in pares:
            texto = llevar(texto, viejo, nuevo)
        escribir[RAIZ / ruta] = texto
    return {r: t for r, t in escribir.items() if t != r.read_text(encoding="utf-8")}


def nombrados(nombres: list) -> list:
    """The patches of the exercises named (garaxo-1, or its folder or patch by any path), or all."""
    parches = [f"ejercicios/{Path(n.removesuffix('/solucion.patch')).name}/solucion.patch"
               for n in nombres] or sorted(str(p.relative_to(RAIZ)) for p in
                                           RAIZ.glob("ejercicios/*/solucion.patch"))
    for parche in parches:
        if not (RAIZ / parche).is_file():
            raise Fallo(f"no such patch: {parche}")
    return parches


def ninguno_aplicado():
    """Fails, naming each, if the working tree holds an exercise's change: it would be taken into
    a new patch, or move hunks wrong."""
    aplicados = [p for p in nombrados([]) if subprocess.run(
        ["git", "apply", "--check", "--reverse", "--whitespace=nowarn", p], cwd=RAIZ,
        capture_output=True).returncode == 0]
    if aplicados:
        raise Fallo("\n".join(f"{p} is applied in the working tree: undo it with git apply -R {p}"
                              for p in aplicados))


def nuevo(nombre: str):
    if not re.fullmatch(rf"({'|'.join(carpetas(RAIZ))})-[1-9][0-9]*", nombre):
        raise Fallo(f"not an exercise: {nombre} (<programa>-<n>, a program of programas.txt, n from 1)")
    parche = RAIZ / "ejercicios" / nombre / "solucion.patch"
    if parche.exists():
        raise Fallo(f"{parche.relative_to(RAIZ)} already exists")
    ninguno_aplicado()
    with tempfile.TemporaryDirectory() as temporal:
        # HEAD's files, the lesson folders' new files as to be added, so that git diff shows them.
        indice = f"{temporal}/index"
        git("read-tree", "HEAD", indice=indice)
        git("update-index", "-q", "--refresh", indice=indice, check=False)
        nuevos = git("ls-files", "--others", "--exclude-standard", "--", *LECCIONES,
                     indice=indice).split("\n")
        if restos := [n for n in nuevos if n.endswith((".rej", ".orig"))]:
            raise Fallo(f"a patch's leftovers are in the lesson code: {' '.join(restos)}")
        if list(filter(None, nuevos)):
            git("add", "-N", "--", *filter(None, nuevos), indice=indice)
        texto = diferencias("HEAD", None, indice)
    if not texto:
        raise Fallo(f"the lesson code ({' '.join(c + '/' for c in LECCIONES)}) has no change against HEAD")
    parche.parent.mkdir(exist_ok=True)
    parche.write_text(texto, encoding="utf-8")
    git("apply", "-R", "--whitespace=nowarn", str(parche))  # every file or none
    archivos = " ".join(re.findall(r"(?m)^diff --git a/(.*) b/", texto))
    print(f"{parche.relative_to(RAIZ)}: written from the changes to {archivos}, now taken out of the "
          f"working tree\nnext: write ejercicios/{nombre}/salida.txt by hand and go on with "
          "HACKING.md's \"Add an exercise\"")


def comprobar(nombres: list) -> int:
    fallos = 0
    for parche in nombrados(nombres):
        try:
            git("apply", "--check", "--whitespace=nowarn", parche)
            lugares((RAIZ / parche).read_text(encoding="utf-8"),
                    lambda r: (RAIZ / r).read_text(encoding="utf-8"), exacta=True)
        except Fallo as fallo:
            print(f"{parche} does not apply exactly where it was made:\n"
                  + re.sub(r"(?m)^", "  ", str(fallo)), file=sys.stderr)
            fallos += 1
    if fallos:
        print("remake the patches with tools/ejercicios.py rehacer, with no exercise applied",
              file=sys.stderr)
        return 1
    print("every patch named applies exactly where it was made")
    return 0


def rehecho(parche: str, trabajo: str, temporal: str) -> str:
    """The patch on the tree `trabajo`: found and applied in HEAD, each file merged with today's;
    or, remade already by a run before this one, found in `trabajo` itself."""
    try:
        texto = lugares((RAIZ / parche).read_text(encoding="utf-8"), lambda r: en("HEAD", r))
    except Fallo as fallo:
        try:
            return lugares((RAIZ / parche).read_text(encoding="utf-8"), lambda r: en(trabajo, r))
        except Fallo:
            raise fallo from None
    for indice in ("solucion", "junta"):
        git("read-tree", "HEAD" if indice == "solucion" else trabajo, indice=f"{temporal}/{indice}")
    git("apply", "--cached", "--whitespace=nowarn", entrada=texto, indice=f"{temporal}/solucion")
    solucion = git("write-tree", indice=f"{temporal}/solucion").strip()
    for ruta in re.findall(r"(?m)^diff --git a/(.*) b/", texto):
        junta = juntar(*(en(arbol, ruta) or "" for arbol in (solucion, "HEAD", trabajo)))
        if junta is None:
            raise Fallo(f"{ruta}: today's lesson code changes the lines this exercise changes")
        objeto = git("hash-object", "-w", "--stdin", entrada=junta).strip()
        git("update-index", "--add", "--cacheinfo", f"100644,{objeto},{ruta}",
            indice=f"{temporal}/junta")
    return diferencias(trabajo, git("write-tree", indice=f"{temporal}/junta").strip())


def rehacer(nombres: list) -> int:
    parches = nombrados(nombres)
    ninguno_aplicado()
    rehechos, fallos = {}, []
    with tempfile.TemporaryDirectory() as temporal:
        # HEAD with the lesson folders as the working tree has them; the user's index untouched.
        git("read-tree", "HEAD", indice=f"{temporal}/index")
        git("add", "-A", "--", *LECCIONES, indice=f"{temporal}/index")
        trabajo = git("write-tree", indice=f"{temporal}/index").strip()
        for parche in parches:
            try:
                rehechos[parche] = rehecho(parche, trabajo, temporal)
            except Fallo as fallo:
                fallos.append(f"{parche} cannot be placed with certainty in today's lesson code:\n"
                              + re.sub(r"(?m)^", "  ", str(fallo)))
    if fallos:
        raise Fallo("\n".join(fallos) + f"""
Remake each patch named above by hand, with today's lesson code committed and no other exercise
applied; for {fallos[0].split()[0]}: make its change in the lesson code (git apply --reject makes
the hunks it can, maybe one whose lines are there more than once in the wrong place, and leaves
each other one in a .rej file), delete the .rej files, move the patch away, then
  tools/ejercicios.py nuevo {Path(fallos[0].split()[0]).parent.name}""")
    for ruta, texto in pantallas().items():
        ruta.write_text(texto, encoding="utf-8")
        print(f"{ruta.relative_to(RAIZ)}: the screens' change carried")
    for parche, texto in rehechos.items():
        cambiado = texto != (RAIZ / parche).read_text(encoding="utf-8")
        if cambiado:
            (RAIZ / parche).write_text(texto, encoding="utf-8")
        print(f"{parche}: {'remade' if cambiado else 'unchanged'}")
    libros.montar()
    print("next: ctest --preset default -j 2 -R '<programa>|libros_' (HACKING.md)")
    return 0


def main() -> int:
    orden, *resto = sys.argv[1:] or [""]
    try:
        if orden == "nuevo" and len(resto) == 1:
            return nuevo(resto[0]) or 0
        if orden in ("comprobar", "rehacer"):
            return (comprobar if orden == "comprobar" else rehacer)(resto)
    except Fallo as fallo:
        print(f"{fallo}\nNothing was changed.", file=sys.stderr)
        return 1
    print(f"usage: {sys.argv[0]} nuevo <programa>-<n> | comprobar|rehacer [<programa>-<n> ...]",
          file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main())
