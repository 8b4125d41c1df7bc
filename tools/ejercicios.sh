#!/usr/bin/env bash
# Keeps the exercises' solutions, ejercicios/*/solucion.patch, in step with the lesson code.
#
#   tools/ejercicios.sh nuevo <programa>-<n>
#     Writes ejercicios/<programa>-<n>/solucion.patch from the working tree's changes to the lesson code
#     (the folders of programas.txt against HEAD, new files in them included),
#     then takes that change back out of the working tree. Changes anywhere else stay as they are.
#   tools/ejercicios.sh comprobar|rehacer [<programa>-<n> ...]
#     Of each patch (every one by default), comprobar names each hunk whose old lines are not in
#     the working tree exactly where it was made: missing, moved or there more than once. rehacer
#     carries the lesson code as it is now into each patch: its hunks are found in HEAD, where
#     they were made, and the working tree's changes to the lesson code are merged into the
#     solution line by line, moved lines and a changed context line alike; then the change of
#     a program's screens, ejercicios/<programa>.original against HEAD, into every copy of its
#     lines (tools/pantallas.py), and the books are assembled again (tools/libros.py). It changes
#     nothing unless every patch and every output can be carried.
#
# A patch has no `index` lines (their blob ids change with any edit of its files, far from its
# hunks too) and, in each hunk, as many lines of context as make its old lines occur once in their
# file: git apply takes the match nearest a hunk's line number, after lines move maybe another
# screen that prints the same lines.
set -euo pipefail
shopt -s nullglob
raiz=$(cd "$(dirname "$0")/.." && pwd)
cd "$raiz"
mapfile -t lecciones < <(awk '!/^#/ && NF { print $2 }' programas.txt)  # the lesson's folders

uso() {
  echo "usage: $0 nuevo <programa>-<n> | $0 comprobar|rehacer [<programa>-<n> ...]" >&2
  exit 2
}

sangrar() { sed 's/^/  /'; }

# The lesson code's changes from the tree $1 to the tree $2 (or, with none, the working tree) into
# the file $3, the same whatever the user's git configuration (prefixes, algorithm, order, colour,
# quoting), without index lines, and with the least context, 3 lines at least, that makes each
# hunk's old lines unique in $1's file.
diferencias() {
  local contexto
  for ((contexto = 3; contexto <= 200; contexto++)); do
    git -c diff.suppressBlankEmpty=false -c core.quotePath=true \
      diff --no-ext-diff --no-textconv --no-color --no-relative --no-renames \
      --src-prefix=a/ --dst-prefix=b/ --unified=$contexto --inter-hunk-context=0 \
      --diff-algorithm=myers --indent-heuristic -O/dev/null "$1" ${2:+"$2"} -- "${lecciones[@]}" |
      sed -E '/^index [0-9a-f]+\.\.[0-9a-f]+( [0-7]+)?$/d' >"$3"
    if ARBOL=$1 lugares cabeza "$3" >/dev/null 2>&1; then return; fi
  done
  ARBOL=$1 lugares cabeza "$3" >/dev/null  # fails, naming each hunk there more than once
}

# Finds each hunk's old lines (its context and removed lines) in the file it changes: in the tree
# $ARBOL's, HEAD by default ("cabeza"), or the working tree's ("exacta"). Fails, naming on stderr
# each hunk whose lines are not there exactly once, or ("exacta") not at its line; else "cabeza"
# writes the patch $2 with each hunk's line numbers where its lines are.
lugares() {
  python3 - "$@" <<'PYTHON'
import itertools, os, re, subprocess, sys

modo, parche = sys.argv[1:]
with open(parche, encoding="utf-8") as archivo:
    lineas = archivo.read().split("\n")


def leer(ruta):
    if modo == "cabeza":
        return subprocess.run(["git", "show", os.environ.get("ARBOL", "HEAD") + ":" + ruta], capture_output=True, check=True,
                              encoding="utf-8").stdout
    with open(ruta, encoding="utf-8") as archivo:
        return archivo.read()


fallos, cabecera, todas = 0, False, None
for i, linea in enumerate(lineas):
    if linea.startswith("diff --git "):
        cabecera, desplazadas = True, 0
    elif cabecera and linea.startswith("--- "):
        ruta = linea[len("--- a/"):]
        todas = None if linea == "--- /dev/null" else leer(ruta).split("\n")
    elif linea.startswith("@@ ") and todas is not None:
        cabecera = False
        cuerpo = list(itertools.takewhile(lambda l: l[:1] in (" ", "-", "+", "\\"), lineas[i + 1:]))
        viejas = [l[1:] for l in cuerpo if l[:1] in (" ", "-")]
        hecha = int(re.match(r"@@ -(\d+)", linea)[1])
        halladas = [n + 1 for n in range(len(todas) - len(viejas) + 1)
                    if todas[n:n + len(viejas)] == viejas]
        if len(halladas) == 1 and (modo != "exacta" or halladas == [hecha]):
            n = halladas[0]
            lineas[i] = re.sub(r"^@@ -\d+(,\d+)? \+\d+",
                               lambda m: f"@@ -{n}{m[1] or ''} +{n + desplazadas}", linea)
            desplazadas += sum(l[:1] == "+" for l in cuerpo) - sum(l[:1] == "-" for l in cuerpo)
            continue
        donde = (f"now at line {halladas[0]}: moved" if len(halladas) == 1 else
                 f"at lines {', '.join(map(str, halladas))}: more than once" if halladas
                 else "not there")
        print(f"{ruta}, the hunk of line {hecha}: its old lines are {donde}", file=sys.stderr)
        fallos += 1
if modo == "cabeza" and not fallos:
    print("\n".join(lineas), end="")
sys.exit(1 if fallos else 0)
PYTHON
}

# Fails, naming each, if the working tree holds the change of a patch of ejercicios/.
ninguno_aplicado() {
  local parche aplicados=0
  for parche in ejercicios/*/solucion.patch; do
    if git apply --check --reverse --whitespace=nowarn "$parche" 2>/dev/null; then
      echo "$parche is applied in the working tree: undo it with git apply -R $parche" >&2
      aplicados=$((aplicados + 1))
    fi
  done
  ((aplicados == 0)) || { echo "Nothing was changed." >&2; exit 1; }
}

# A temporary folder that goes on every way out.
carpeta_temporal() {
  temporal=$(mktemp -d "${TMPDIR:-/tmp}/ejercicios.XXXXXX")
  trap 'rm -rf -- "$temporal"' EXIT
  trap 'exit 1' HUP INT TERM  # which runs the EXIT trap too
}

# The patches of the exercises named in the arguments (garaxo-1, or its folder or patch by any
# path), or every one, into the array parches.
nombrados() {
  local parche
  parches=()
  for parche in "$@"; do
    parche=ejercicios/$(basename -- "${parche%/solucion.patch}")/solucion.patch
    [[ -f $parche ]] || { echo "no such patch: $parche" >&2; uso; }
    parches+=("$parche")
  done
  ((${#parches[@]})) || parches=(ejercicios/*/solucion.patch)
}

comprobar() {
  local parches parche salida fallos=0
  nombrados "$@"
  for parche in "${parches[@]}"; do
    if ! salida=$({ git apply --check --whitespace=nowarn "$parche" &&
      lugares exacta "$parche"; } 2>&1); then
      echo "$parche does not apply exactly where it was made:" >&2
      sangrar <<<"$salida" >&2
      fallos=$((fallos + 1))
    fi
  done
  if ((fallos)); then
    echo "remake the patches with tools/ejercicios.sh rehacer, with no exercise applied" >&2
    exit 1
  fi
  echo "every patch named applies exactly where it was made"
}

nuevo() {
  (($# == 1)) || uso
  local nombre=$1 parche archivos
  if [[ ! $nombre =~ ^($(awk '!/^#/ && NF { print $1 }' programas.txt | paste -sd '|'))-[1-9][0-9]*$ ]]; then
    echo "not an exercise: $nombre (<programa>-<n>, a program of programas.txt, n from 1)" >&2
    uso
  fi
  parche=ejercicios/$nombre/solucion.patch
  if [[ -e $parche ]]; then
    echo "$parche already exists. Nothing was changed." >&2
    exit 1
  fi
  # Its change would hold another exercise's solution too.
  ninguno_aplicado
  carpeta_temporal

  # An index of HEAD's files, with the lesson folders' new files as to be added, so that git diff
  # shows them too; the user's index is never written.
  export GIT_INDEX_FILE=$temporal/index
  git read-tree HEAD
  git update-index -q --refresh >/dev/null
  archivos=$(git ls-files --others --exclude-standard -- "${lecciones[@]}" |
    { grep -E '\.(rej|orig)$' || true; } | paste -sd ' ')
  if [[ -n $archivos ]]; then
    echo "a patch's leftovers are in the lesson code: $archivos. Nothing was changed." >&2
    exit 1
  fi
  git ls-files -z --others --exclude-standard -- "${lecciones[@]}" | xargs -0r git add -N --
  diferencias HEAD "" "$temporal/$nombre.patch"
  unset GIT_INDEX_FILE
  if [[ ! -s $temporal/$nombre.patch ]]; then
    echo "the lesson code (${lecciones[*]/%//}) has no change against HEAD. Nothing was changed." >&2
    exit 1
  fi

  archivos=$(sed -n 's|^diff --git a/\(.*\) b/.*|\1|p' "$temporal/$nombre.patch" | paste -sd ' ')
  mkdir -p "ejercicios/$nombre"
  mv -- "$temporal/$nombre.patch" "$parche"
  # git apply changes every file or none.
  if ! git apply -R --whitespace=nowarn "$parche"; then
    echo "$parche is written, but its change could not be taken out of the working tree, which" \
      "is as it was" >&2
    exit 1
  fi
  echo "$parche: written from the changes to $archivos, now taken out of the working tree"
  echo "next: write ejercicios/$nombre/salida.txt by hand and go on with HACKING.md's \"Add an" \
    "exercise\" (git apply $parche brings the solution back)"
}

# The patch $1 remade into $2 on the tree $trabajo, the lesson code as the working tree has it:
# its hunks found in HEAD and applied there, then each file it changes merged with the working
# tree's changes to it.
rehecho() {
  local parche=$1 destino=$2 ruta solucion despues
  lugares cabeza "$parche" >"$destino.cabeza" || return 1
  GIT_INDEX_FILE=$temporal/solucion git read-tree HEAD
  GIT_INDEX_FILE=$temporal/solucion git apply --cached --whitespace=nowarn "$destino.cabeza"
  solucion=$(GIT_INDEX_FILE=$temporal/solucion git write-tree)
  git read-tree "$trabajo"
  for ruta in $(sed -n 's|^diff --git a/\(.*\) b/.*|\1|p' "$parche"); do
    git show "$solucion:$ruta" >"$temporal/suya" 2>/dev/null || : >"$temporal/suya"
    git show "HEAD:$ruta" >"$temporal/base" 2>/dev/null || : >"$temporal/base"
    git show "$trabajo:$ruta" >"$temporal/hoy" 2>/dev/null || : >"$temporal/hoy"
    if ! python3 tools/pantallas.py --juntar "$temporal"/{suya,base,hoy} >"$temporal/junta"; then
      echo "$ruta: today's lesson code changes the lines this exercise changes" >&2
      return 1
    fi
    git update-index --add --cacheinfo "100644,$(git hash-object -w "$temporal/junta"),$ruta"
  done
  despues=$(git write-tree)
  diferencias "$trabajo" "$despues" "$destino"
}

rehacer() {
  local parches parche rehecho trabajo cambiados=0 fallos=0 primero=""
  nombrados "$@"
  # A tree that holds an exercise's change would move its hunks, and maybe others', wrong.
  ninguno_aplicado
  carpeta_temporal
  # HEAD with the lesson folders as the working tree has them, new files included; the user's
  # index is never written.
  export GIT_INDEX_FILE=$temporal/index
  git read-tree HEAD
  git add -A -- "${lecciones[@]}"
  trabajo=$(git write-tree)
  for parche in "${parches[@]}"; do
    rehecho=$temporal/$(basename "$(dirname "$parche")").patch
    if ! rehecho "$parche" "$rehecho" 2>"$rehecho.log"; then
      echo "$parche cannot be placed with certainty in today's lesson code:" >&2
      sangrar <"$rehecho.log" >&2
      primero=${primero:-$parche}
      fallos=$((fallos + 1))
    fi
  done
  unset GIT_INDEX_FILE
  if ((fallos)); then
    cat >&2 <<EOF
Nothing was changed. Remake each patch named above by hand, with today's lesson code committed and
no other exercise applied; for $primero: make its change in the lesson code (git apply --reject
$primero makes the hunks it can, maybe one whose lines are there more than once in the wrong
place, and leaves each other one in a .rej file), delete the .rej files, then
  mv $primero /tmp/ && tools/ejercicios.sh nuevo $(basename "$(dirname "$primero")")
EOF
    exit 1
  fi
  python3 tools/pantallas.py || exit 1
  for parche in "${parches[@]}"; do
    rehecho=$temporal/$(basename "$(dirname "$parche")").patch
    if cmp -s "$rehecho" "$parche"; then
      echo "$parche: unchanged"
    else
      mv -- "$rehecho" "$parche"
      echo "$parche: remade"
      cambiados=$((cambiados + 1))
    fi
  done
  echo "$cambiados of ${#parches[@]} patches remade"
  python3 tools/libros.py
  echo "check them with tools/ejercicios.sh comprobar"
}

case "${1:-}" in
  nuevo) shift; nuevo "$@" ;;
  rehacer) shift; rehacer "$@" ;;
  comprobar) shift; comprobar "$@" ;;
  *) uso ;;
esac
