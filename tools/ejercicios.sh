#!/usr/bin/env bash
# Keeps the exercises' solutions, ejercicios/*.patch, in step with the lesson code.
#
#   tools/ejercicios.sh nuevo <programa>-<n>
#     Writes ejercicios/<programa>-<n>.patch from the working tree's changes to the lesson code
#     (car_owner_demo/, shape_demo/ and figure_demo/ against HEAD, new files in them included),
#     then takes that change back out of the working tree. Changes anywhere else stay as they are.
#   tools/ejercicios.sh rehacer [ejercicios/<programa>-<n>.patch ...]
#     Remakes each patch (every one by default) that no longer applies exactly where it was made,
#     against the lesson code as the working tree has it, committed or not; the others stay as they
#     are. A temporary worktree gets a copy of the working tree's tracked files, committed there as
#     a base; each patch whose every hunk is found there once is applied to it and the diff of the
#     result, written outside any tree, replaces the old patch. No patch is replaced unless every
#     one can be placed: a failure stops it, naming each such patch, its files and how to remake it
#     by hand.
#   tools/ejercicios.sh comprobar [ejercicios/<programa>-<n>.patch ...]
#     Fails, naming each patch (every one by default) that does not apply to the working tree
#     exactly where it was made: a hunk whose lines are missing, moved or found more than once.
#
# Never remake a patch with `git diff > ejercicios/x.patch` in a tree where x.patch is applied: the
# shell empties the tracked x.patch before git diff reads the tree, so the new patch also deletes
# the old patch's text. This script diffs in a tree of its own, or only the lesson code's folders.
#
# The patches carry no `index` lines: their blob ids change with any edit of a file a patch touches,
# even far from its hunks, and would remake patches whose hunks did not move. Instead each hunk
# carries as many lines of context as make its old lines occur once in their file: git apply takes
# the match nearest to a hunk's line number, which, after lines move, may be another screen that
# prints the same lines.
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
cd "$raiz"
lecciones=(car_owner_demo shape_demo figure_demo)

uso() {
  echo "usage: $0 nuevo <programa>-<n> | $0 rehacer|comprobar [ejercicios/<programa>-<n>.patch ...]" >&2
  exit 2
}

sangrar() { sed 's/^/  /'; }

# The same patch text whatever the user's git configuration: prefixes, algorithm, order, colour,
# quoting; and no index lines. HEAD of the tree $1 against its files, in the paths after $2, into
# the file $2, with the least context (3 lines at least) that makes each hunk's old lines unique.
diferencias() {
  local arbol=$1 destino=$2 contexto
  shift 2
  for ((contexto = 3; contexto <= 200; contexto++)); do
    git -C "$arbol" -c diff.suppressBlankEmpty=false -c core.quotePath=true \
      diff --no-ext-diff --no-textconv --no-color --no-relative --no-renames \
      --src-prefix=a/ --dst-prefix=b/ --unified=$contexto --inter-hunk-context=0 \
      --diff-algorithm=myers --indent-heuristic -O/dev/null HEAD -- "$@" |
      sed -E '/^index [0-9a-f]+\.\.[0-9a-f]+( [0-7]+)?$/d' >"$destino"
    if lugares cabeza "$arbol" "$destino" >/dev/null; then return; fi
  done
  echo "$destino: a hunk's lines occur more than once in their file, whatever the context:" >&2
  lugares cabeza "$arbol" "$destino" | sangrar >&2
  return 1
}

# Where each hunk of the patch $3 finds its old lines (context and removed lines) in the tree $2:
# its files as they are (mode "una" or "exacta") or as its HEAD has them ("cabeza"). Names, and
# fails for, each hunk whose lines are not found exactly once, or ("exacta") not at its line.
lugares() {
  python3 - "$@" <<'PYTHON'
import os, re, subprocess, sys

modo, arbol, parche = sys.argv[1:]
trozos, cabecera, ruta = [], False, None
with open(parche, encoding="utf-8") as archivo:
    for linea in archivo.read().split("\n"):
        if linea.startswith("diff --git "):
            cabecera = True
        elif cabecera and linea.startswith("--- "):
            ruta = None if linea == "--- /dev/null" else linea[len("--- a/"):]
        elif linea.startswith("@@ "):
            cabecera = False
            trozos.append((ruta, int(re.match(r"@@ -(\d+)", linea)[1]), []))
        elif not cabecera and trozos and linea[:1] in (" ", "-"):
            trozos[-1][2].append(linea[1:])
fallos = 0
for ruta, linea, viejas in trozos:
    if ruta is None or not viejas:  # a new file
        continue
    if modo == "cabeza":
        texto = subprocess.run(["git", "-C", arbol, "show", "HEAD:" + ruta], check=True,
                               capture_output=True, encoding="utf-8").stdout
    else:
        with open(os.path.join(arbol, ruta), encoding="utf-8") as archivo:
            texto = archivo.read()
    todas = texto.split("\n")
    halladas = [n + 1 for n in range(len(todas) - len(viejas) + 1)
                if todas[n:n + len(viejas)] == viejas]
    if len(halladas) != 1 or (modo == "exacta" and halladas != [linea]):
        donde = (f"are now at line {halladas[0]}: moved" if len(halladas) == 1 else
                 f"are at lines {', '.join(map(str, halladas))}: more than once" if halladas
                 else "are not there")
        print(f"{ruta}: the old lines of the hunk made at line {linea} {donde}")
        fallos += 1
sys.exit(1 if fallos else 0)
PYTHON
}

# Fails, naming each, if the tree $1 holds the change of a patch of ejercicios/.
ninguno_aplicado() {
  local parche aplicados=0
  shopt -s nullglob
  for parche in ejercicios/*.patch; do
    if git -C "$1" apply --check --reverse --whitespace=nowarn "$raiz/$parche" 2>/dev/null; then
      echo "$parche is applied in the working tree: undo it with git apply -R $parche" >&2
      aplicados=$((aplicados + 1))
    fi
  done
  ((aplicados == 0))
}

# A temporary folder that goes, with the worktree in it if any, on every way out.
carpeta_temporal() {
  temporal=$(mktemp -d "${TMPDIR:-/tmp}/ejercicios.XXXXXX")
  trap limpiar EXIT
  trap 'exit 129' HUP
  trap 'exit 130' INT
  trap 'exit 143' TERM
}

# The patches named in the arguments, by their path from anywhere or their file name alone, or
# every one, into the array parches.
nombrados() {
  shopt -s nullglob
  local parche
  parches=()
  for parche in "$@"; do
    parche=ejercicios/$(basename -- "$parche")
    [[ $parche == *.patch && -f $parche ]] || { echo "no such patch: $parche" >&2; uso; }
    parches+=("$parche")
  done
  ((${#parches[@]})) || parches=(ejercicios/*.patch)
  ((${#parches[@]})) || { echo "no patch in ejercicios/" >&2; exit 1; }
}

comprobar() {
  local parches parche salida fallos=0
  nombrados "$@"
  for parche in "${parches[@]}"; do
    if ! salida=$({ git apply --check --whitespace=nowarn "$parche" &&
      lugares exacta "$raiz" "$parche"; } 2>&1); then
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
  if [[ ! $nombre =~ ^(garaxo|pintafor|polifor)-[1-9][0-9]*$ ]]; then
    echo "not an exercise: $nombre (garaxo-<n>, pintafor-<n> or polifor-<n>, n from 1)" >&2
    uso
  fi
  parche=ejercicios/$nombre.patch
  if [[ -e $parche ]]; then
    echo "$parche already exists. Nothing was changed." >&2
    exit 1
  fi
  # Its change would hold another exercise's solution too.
  ninguno_aplicado "$raiz" || { echo "Nothing was changed." >&2; exit 1; }
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
  diferencias "$raiz" "$temporal/$nombre.patch" "${lecciones[@]}"
  unset GIT_INDEX_FILE
  if [[ ! -s $temporal/$nombre.patch ]]; then
    echo "the lesson code (${lecciones[*]/%//}) has no change against HEAD. Nothing was changed." >&2
    exit 1
  fi

  archivos=$(sed -n 's|^diff --git a/\(.*\) b/.*|\1|p' "$temporal/$nombre.patch" | paste -sd ' ')
  mv -- "$temporal/$nombre.patch" "$parche"
  # git apply changes every file or none.
  if ! git apply -R --whitespace=nowarn "$parche"; then
    echo "$parche is written, but its change could not be taken out of the working tree, which" \
      "is as it was" >&2
    exit 1
  fi
  echo "$parche: written from the changes to $archivos, now taken out of the working tree"
  echo "next: write ejercicios/$nombre.salida by hand and go on with HACKING.md's \"Add an" \
    "exercise\" (git apply $parche brings the solution back)"
}

# How to remake by hand a patch that cannot be placed in today's code.
a_mano() {
  local parche=$1
  cat >&2 <<EOF
Remake each patch named above by hand, with today's lesson code committed and no other exercise
applied; for $parche:
  make its change in the lesson code by hand (git apply --reject $parche makes the hunks it
      finds, maybe one found more than once in the wrong place, and leaves each other one in a
      .rej file beside its file), then delete the .rej files
  mv $parche /tmp/ && tools/ejercicios.sh nuevo $(basename "$parche" .patch)
then run tools/ejercicios.sh rehacer again for the others.
EOF
}

rehacer() {
  local parches parche nombre registro cambiados=0 fallos=0 primero=""
  nombrados "$@"

  carpeta_temporal
  arbol=$temporal/arbol
  if git -C "$temporal" rev-parse --show-toplevel >/dev/null 2>&1; then
    echo "$temporal is inside a git tree: set TMPDIR to a folder outside any" >&2
    exit 1
  fi
  mkdir "$temporal/parches"

  # The base: HEAD, then every tracked file as the working tree has it now.
  git worktree add --quiet --detach "$arbol" HEAD
  git ls-files -z --cached | while IFS= read -r -d '' archivo; do
    if [[ -e $archivo || -L $archivo ]]; then
      cp -P --parents -- "$archivo" "$arbol/"
    else
      rm -f -- "$arbol/$archivo"
    fi
  done
  git -C "$arbol" add --all --force
  git -C "$arbol" -c user.name=ejercicios -c user.email=ejercicios@localhost \
    -c commit.gpgsign=false -c core.hooksPath=/dev/null \
    commit --quiet --allow-empty --no-verify -m "today's lesson code"

  # A base that already holds an exercise's change would remake its patch, and maybe others, wrong.
  ninguno_aplicado "$arbol" || { echo "Nothing was changed." >&2; exit 1; }

  for parche in "${parches[@]}"; do
    nombre=$(basename "$parche")
    registro=$temporal/$nombre.log
    # Every patch is tried, so that one run names every patch that needs a hand. With no index
    # lines there is no three-way: a hunk applies where its old lines are, found once or not at all.
    if lugares exacta "$arbol" "$raiz/$parche" >/dev/null; then
      cp -- "$parche" "$temporal/parches/$nombre"
    elif lugares una "$arbol" "$raiz/$parche" >"$registro" 2>&1 &&
      git -C "$arbol" apply --whitespace=nowarn "$raiz/$parche" >>"$registro" 2>&1; then
      diferencias "$arbol" "$temporal/parches/$nombre"
      if [[ ! -s $temporal/parches/$nombre ]]; then
        echo "$parche changes nothing in today's lesson code" >&2
        fallos=$((fallos + 1))
      fi
    else
      echo "$parche cannot be placed with certainty in today's lesson code:" >&2
      sangrar <"$registro" >&2
      primero=${primero:-$parche}
      fallos=$((fallos + 1))
    fi
    git -C "$arbol" reset --quiet --hard
    git -C "$arbol" clean --quiet -fd
  done
  if ((fallos)); then
    echo "Nothing was changed." >&2
    if [[ -n $primero ]]; then a_mano "$primero"; fi
    exit 1
  fi

  for parche in "${parches[@]}"; do
    nombre=$(basename "$parche")
    if cmp -s "$temporal/parches/$nombre" "$parche"; then
      echo "$parche: unchanged"
    else
      mv -- "$temporal/parches/$nombre" "$parche"
      echo "$parche: remade"
      cambiados=$((cambiados + 1))
    fi
  done
  echo "$cambiados of ${#parches[@]} patches remade; check them with tools/ejercicios.sh comprobar"
}

# Every way out: the temporary worktree if any, its registration and the temporary folder go.
limpiar() {
  if [[ -n ${temporal:-} ]]; then
    # Removing the worktree drops its registration too; prune (every stale one) only if that failed.
    if [[ -n ${arbol:-} ]] &&
      ! git -C "$raiz" worktree remove --force --force "$arbol" >/dev/null 2>&1; then
      rm -rf -- "$arbol"
      git -C "$raiz" worktree prune
    fi
    rm -rf -- "$temporal"
  fi
}

case "${1:-}" in
  nuevo) shift; nuevo "$@" ;;
  rehacer) shift; rehacer "$@" ;;
  comprobar) shift; comprobar "$@" ;;
  *) uso ;;
esac
