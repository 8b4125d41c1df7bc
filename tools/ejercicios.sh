#!/usr/bin/env bash
# Keeps the exercises' solutions, ejercicios/*.patch, in step with the lesson code.
#
#   tools/ejercicios.sh rehacer [ejercicios/<programa>-<n>.patch ...]
#     Remakes each patch (every one by default) against the lesson code as the working tree has it,
#     committed or not. A temporary worktree gets a copy of the working tree's tracked files,
#     committed there as a base; each patch is applied to it three-way and the diff of the result,
#     written outside any tree, replaces the old patch. No patch is replaced unless every one
#     applies: a conflict stops it, naming each such patch, its files and how to remake it by hand.
#   tools/ejercicios.sh comprobar
#     Fails, naming each patch, when one does not apply to the working tree exactly where it was
#     made: not at all, or only at an offset or with fuzz.
#
# Never remake a patch with `git diff > ejercicios/x.patch` in a tree where x.patch is applied: the
# shell empties the tracked x.patch before git diff reads the tree, so the new patch also deletes
# the old patch's text. This script diffs in a tree of its own, where no patch file changes.
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
cd "$raiz"
export LC_ALL=C  # git's English messages are read below

uso() {
  echo "usage: $0 rehacer [ejercicios/<programa>-<n>.patch ...] | $0 comprobar" >&2
  exit 2
}

sangrar() { sed 's/^/  /'; }

# The same patch text whatever the user's git configuration: prefixes, algorithm, order, colour.
diferencias() {
  git -C "$arbol" diff --no-ext-diff --no-textconv --no-color --no-relative --no-renames \
    --src-prefix=a/ --dst-prefix=b/ --diff-algorithm=myers --indent-heuristic --abbrev=7 \
    -O/dev/null HEAD --
}

comprobar() {
  shopt -s nullglob
  local parche salida fallos=0
  for parche in ejercicios/*.patch; do
    if ! salida=$(git apply -v --check --whitespace=nowarn "$parche" 2>&1); then
      echo "$parche does not apply to the working tree:" >&2
      sangrar <<<"$salida" >&2
      fallos=$((fallos + 1))
    elif grep -qE 'offset|fuzz' <<<"$salida"; then
      echo "$parche applies only away from where it was made:" >&2
      grep -E 'offset|fuzz' <<<"$salida" | sangrar >&2
      fallos=$((fallos + 1))
    fi
  done
  if ((fallos)); then
    echo "remake the patches with tools/ejercicios.sh rehacer, with no exercise applied" >&2
    exit 1
  fi
  echo "every patch in ejercicios/ applies exactly where it was made"
}

# How to remake by hand a patch that conflicts with today's code.
a_mano() {
  local parche=$1 nombre
  nombre=$(basename "$parche")
  cat >&2 <<EOF
Remake each conflicting patch by hand, in a tree with everything committed; for $parche:
  git apply -3 $parche     (leaves <<<<<<< ======= >>>>>>> in the files named above)
  edit those files: today's code with the exercise's change, without the markers
  git diff HEAD > /tmp/$nombre && git reset -q --hard && mv /tmp/$nombre $parche
then run tools/ejercicios.sh rehacer again for the others.
EOF
}

rehacer() {
  shopt -s nullglob
  local parches=() parche nombre registro archivos cambiados=0 fallos=0 primero=""
  # A patch may be named by its path from anywhere, or by its file name alone.
  for parche in "$@"; do
    parche=ejercicios/$(basename -- "$parche")
    [[ $parche == *.patch && -f $parche ]] || { echo "no such patch: $parche" >&2; uso; }
    parches+=("$parche")
  done
  ((${#parches[@]})) || parches=(ejercicios/*.patch)
  ((${#parches[@]})) || { echo "no patch in ejercicios/" >&2; exit 1; }

  temporal=$(mktemp -d "${TMPDIR:-/tmp}/ejercicios.XXXXXX")
  arbol=$temporal/arbol
  trap limpiar EXIT
  trap 'exit 129' HUP
  trap 'exit 130' INT
  trap 'exit 143' TERM
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

  # A base that already holds an exercise's change would merge its patch, and maybe others, wrong.
  for parche in ejercicios/*.patch; do
    if git -C "$arbol" apply --check --reverse --whitespace=nowarn "$raiz/$parche" 2>/dev/null; then
      echo "$parche is applied in the working tree: undo it with git apply -R $parche" >&2
      echo "No patch was changed." >&2
      exit 1
    fi
  done

  for parche in "${parches[@]}"; do
    nombre=$(basename "$parche")
    registro=$temporal/$nombre.log
    # Every patch is tried, so that one run names every patch that needs a hand.
    if ! git -C "$arbol" apply -3 --whitespace=nowarn "$raiz/$parche" >"$registro" 2>&1; then
      archivos=$(git -C "$arbol" diff --name-only --diff-filter=U | paste -sd ' ')
      if [[ -n $archivos ]]; then
        echo "$parche conflicts with today's lesson code in: $archivos" >&2
        primero=${primero:-$parche}
      else
        echo "$parche does not apply to today's lesson code, not even three-way:" >&2
        sangrar <"$registro" >&2
      fi
      fallos=$((fallos + 1))
    else
      diferencias >"$temporal/parches/$nombre"
      if [[ ! -s $temporal/parches/$nombre ]]; then
        echo "$parche changes nothing in today's lesson code" >&2
        fallos=$((fallos + 1))
      fi
    fi
    git -C "$arbol" reset --quiet --hard
    git -C "$arbol" clean --quiet -fd
  done
  if ((fallos)); then
    echo "No patch was changed." >&2
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

# Every way out: the temporary worktree, its registration and the temporary folder go.
limpiar() {
  if [[ -n ${temporal:-} ]]; then
    # Removing the worktree drops its registration too; prune (every stale one) only if that failed.
    if ! git -C "$raiz" worktree remove --force --force "$arbol" >/dev/null 2>&1; then
      rm -rf -- "$arbol"
      git -C "$raiz" worktree prune
    fi
    rm -rf -- "$temporal"
  fi
}

case "${1:-}" in
  rehacer) shift; rehacer "$@" ;;
  comprobar) (($# == 1)) || uso; comprobar ;;
  *) uso ;;
esac
