#!/usr/bin/env bash
# Redraws every dibujos/*.svg from the .dot beside it. With --comprobar, draws into a temporary
# folder instead and fails, naming each file, when a committed .svg is not what its .dot draws
# today, or when a .dot has no .svg or an .svg no .dot.
set -euo pipefail
cd "$(dirname "$0")/.."
shopt -s nullglob

case "${1:-}" in
  "") for fuente in dibujos/*.dot; do dot -Tsvg "$fuente" -o "${fuente%.dot}.svg"; done; exit 0 ;;
  --comprobar) ;;
  *) echo "usage: $0 [--comprobar]" >&2; exit 2 ;;
esac

temporal=$(mktemp -d)
trap 'rm -rf "$temporal"' EXIT
fallos=0
for fuente in dibujos/*.dot; do
  dibujo=${fuente%.dot}.svg
  if [[ ! -e $dibujo ]]; then
    echo "$fuente has no $dibujo: run tools/dibujos.sh" >&2
    fallos=$((fallos + 1))
    continue
  fi
  dot -Tsvg "$fuente" -o "$temporal/dibujo.svg"
  if ! cmp -s "$temporal/dibujo.svg" "$dibujo"; then
    echo "$dibujo is not what $fuente draws today: run tools/dibujos.sh" >&2
    fallos=$((fallos + 1))
  fi
done
for dibujo in dibujos/*.svg; do
  if [[ ! -e ${dibujo%.svg}.dot ]]; then
    echo "$dibujo has no ${dibujo%.svg}.dot to draw it from" >&2
    fallos=$((fallos + 1))
  fi
done
((fallos == 0)) || exit 1
echo "every picture in dibujos/ is what its .dot draws"
