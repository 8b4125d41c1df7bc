#!/usr/bin/env bash
# Proves one change in about a minute: runs only the tests of what it touches, in the default
# preset's build (configured here if it is not yet), and shows each failure's output.
#
#   tools/probar.sh                 what the working tree changes against HEAD (git status)
#   tools/probar.sh <what>...       garaxo-1 (an exercise), garaxo (a program, its exercises too),
#                                   libros, comprobador, memoria, parches, vpl
#
# The whole proof is still `cmake --workflow --preset default`; this is the short way while working.
set -euo pipefail
cd "$(dirname "$0")/.."
construccion=desarrollo/default
mapfile -t programas < <(awk '!/^#/ && NF { print $1 }' programas.txt)
declare -A carpeta_de
while read -r programa carpeta _; do carpeta_de[$carpeta]=$programa; done < <(awk '!/^#/ && NF' programas.txt)

# The tests (ctest names, as regular expressions) of one thing a change touches.
pruebas_de() {
  local cosa=$1 programa
  case $cosa in
    */) pruebas_de "${cosa%/}" ;;
    ejercicios/*-[0-9]*/*) pruebas_de "$(basename "$(dirname "$cosa")")" ;;
    ejercicios/*.original | ejercicios/*.entrada) programa=${cosa#ejercicios/}; pruebas_de "${programa%.*}" ;;
    *-[0-9]*) echo "ejercicio\.$cosa\$" libros_montaje libros_respuestas ;;
    *.md | clase/* | man/* | dibujos/* | libros) echo libros_montaje libros_respuestas ;;
    comprobador | comprobador/*) echo comprobador_test ejercicios.Comprobacion ;;
    memoria | memoria/*) echo ejercicios.Memoria ;;
    parches | tools/ejercicios.py | tools/libros.py) echo ejercicios.Parches libros_montaje ;;
    vpl | tools/vpl.py) echo ejercicios.Vpl ;;
    *)
      for programa in "${programas[@]}"; do
        if [[ $cosa == "$programa" || ${carpeta_de[${cosa%%/*}]:-} == "$programa" ]]; then
          echo "${programa}_test" "^$programa\.(Sin|En)Terminal" "ejercicio\.$programa-" libros_respuestas
          return
        fi
      done
      echo "tools/probar.sh does not know what proves $cosa: run cmake --workflow --preset default" >&2
      return 1 ;;
  esac
}

if (($#)); then
  cosas=("$@")
else
  mapfile -t cosas < <(git status --porcelain --untracked-files=all | cut -c4- | sed 's/.* -> //')
  ((${#cosas[@]})) || { echo "nothing changed against HEAD: name what to prove (garaxo-1, libros...)"; exit 0; }
fi
pruebas=()
for cosa in "${cosas[@]}"; do
  lista=$(pruebas_de "$cosa") || exit 1
  read -ra nuevas <<<"$lista"
  pruebas+=("${nuevas[@]}")
done
patron=$(printf '%s\n' "${pruebas[@]}" | sort -u | paste -sd '|')
[[ -f $construccion/CMakeCache.txt ]] || cmake --preset default >/dev/null
echo "proving: $patron"
ctest --test-dir "$construccion" -j2 --output-on-failure -R "$patron"
