#!/usr/bin/env bash
# The tree built as a learner in a lab builds it, from a clean copy of its tracked files, and each
# program's transcripts with no terminal checked against those the end-to-end tests expect:
#   tools/laboratorio.sh bullseye  Debian 11 (CMake 3.18, g++ 10), for the older labs: a minimal
#                                  root holding only cmake, make and g++; the g++ lines of the
#                                  learner's guide (GUIA.md, "Compilar y ejecutar"), exactly as
#                                  written, then the plain CMake build.
#   tools/laboratorio.sh trixie    Debian 13: the same, then the README's whole test command with
#                                  the packages the README names.
#   tools/laboratorio.sh mingw     GUIA.md's MinGW lines on this machine's cross compiler, the
#                                  programs needing only Windows' own DLLs, run under Wine.
# Each lab works in the developer build folder desarrollo/laboratorio-<lab>. The Debian
# roots are made there with debootstrap and need root. The root is reused while it holds the same
# packages; the tree in it is copied anew each time.
set -euo pipefail
cd "$(dirname "$0")/.."
laboratorio=${1:?"usage: tools/laboratorio.sh bullseye|trixie|mingw"}
area=$PWD/desarrollo/laboratorio-$laboratorio
mapfile -t programas < <(awk '!/^#/ && NF { print $1 }' programas.txt)

# The lines of the fenced block that follows the marker comment "<!-- comandos NAME..." in
# GUIA.md, the learner's guide, which holds every compiler line so that no learner needs the
# teacher's edition, into the file $2; there must be a g++ line a program.
ordenes_de_la_guia() {
  awk -v marca="<!-- comandos $1" '
    index($0, marca) == 1 { visto = 1; next }
    visto && /^```/ { if (dentro) exit; dentro = 1; next }
    dentro { print }' GUIA.md >"$2"
  [ "$(grep -c '^g++ ' "$2")" = ${#programas[@]} ] ||
    { echo "GUIA.md's $1 lines are not a g++ line a program" >&2; exit 1; }
}

copiar_el_arbol() {
  rm -rf "$1"
  mkdir -p "$1"
  git ls-files -z | tar --null -T - -cf - | tar -xf - -C "$1"
}

# The no-terminal tests of each program: PROGRAMA is where the wrapper ($2...) sees the program.
transcripciones() {
  local carpeta=$1
  shift
  for programa in "${programas[@]}"; do
    (cd tests && PROGRAMA="$carpeta/$programa" ENVOLTORIO="$*" PYTHONDONTWRITEBYTECODE=1 \
      python3 -m unittest "e2e_$programa.SinTerminal")
  done
}

if [ "$laboratorio" = mingw ]; then
  arbol=$area/arbol
  copiar_el_arbol "$arbol"
  ordenes_de_la_guia mingw "$area/ordenes"
  # The appendix's g++ is MinGW's own on Windows; here it is the cross compiler of the same name.
  (cd "$arbol" && sed 's/^g++ /x86_64-w64-mingw32-g++ /' "$area/ordenes" | sh -ex)
  export WINEPREFIX=$area/wine WINEDEBUG=-all
  wineboot --init
  (cd tests && BINARIOS=$arbol PYTHONDONTWRITEBYTECODE=1 python3 -m unittest -v e2e_windows.SinConsola)
  exit 0
fi

case $laboratorio in
  bullseye) paquetes=(cmake make g++) ;;
  trixie) paquetes=(cmake make g++ libgtest-dev python3) ;;
  *) echo "no such lab: $laboratorio" >&2; exit 2 ;;
esac
raiz=$area/raiz

# Whatever is mounted in the root comes off on every way out, before anything removes the root.
montados=()
desmontar() {
  local punto
  for punto in "${montados[@]}"; do umount "$punto" || umount -l "$punto"; done
}
trap desmontar EXIT
trap 'exit 130' INT TERM HUP
montar() {
  mount "$@"
  montados=("${@: -1}" "${montados[@]}")
}

if [ "$(cat "$raiz/etc/demos-paquetes" 2>/dev/null)" != "${paquetes[*]}" ]; then
  if grep -q " $raiz/" /proc/mounts; then echo "something is still mounted in $raiz" >&2; exit 1; fi
  rm -rf "$raiz"
  mkdir -p "$area"
  debootstrap --variant=minbase "$laboratorio" "$raiz" http://deb.debian.org/debian >"$area/debootstrap.log" ||
    { tail -20 "$area/debootstrap.log"; exit 1; }
  DEBIAN_FRONTEND=noninteractive chroot "$raiz" apt-get install -y -qq --no-install-recommends \
    "${paquetes[@]}" >"$area/apt.log" 2>&1 || { tail -20 "$area/apt.log"; exit 1; }
  chroot "$raiz" apt-get clean
  echo "${paquetes[*]}" >"$raiz/etc/demos-paquetes"
fi
chroot "$raiz" sh -c 'cmake --version | head -1; g++ --version | head -1'

# debootstrap makes the device nodes; the plain build and the programs need no /proc.
copiar_el_arbol "$raiz/arbol"
ordenes_de_la_guia g++ "$raiz/ordenes"
chroot "$raiz" sh -exc 'cd /arbol && sh -ex /ordenes'
transcripciones /arbol chroot "$raiz"

chroot "$raiz" sh -exc 'cd /arbol && cmake -S . -B build >/dev/null && cmake --build build'
transcripciones /arbol/build/bin chroot "$raiz"

if [ "$laboratorio" = trixie ]; then
  # The terminal tests need pseudo-terminals, a devpts of the root's own; valgrind and ctest, /proc.
  montar -t proc proc "$raiz/proc"
  montar -t devpts -o newinstance,ptmxmode=0666 devpts "$raiz/dev/pts"
  # A lab is no CI machine: its tests leave out what the root lacks (Graphviz, pandoc, git).
  env -u CI chroot "$raiz" sh -exc 'cd /arbol && cmake --workflow --preset default'
fi
