#!/usr/bin/env bash
# Redraws every dibujos/*.svg from the .dot beside it. With --comprobar, draws into a temporary
# folder instead and fails, naming each file, when a committed .svg does not say what its .dot draws
# today, or when a .dot has no .svg or an .svg no .dot. What a picture says is its elements, their
# texts (the sizes among them) and every attribute but the numbers in it: where each shape lands
# follows the font metrics of the machine that drew it, which differ by fractions of a point
# between machines with the same Graphviz and fonts.
set -euo pipefail
cd "$(dirname "$0")/.."
shopt -s nullglob

case "${1:-}" in
  "") for fuente in dibujos/*.dot; do dot -Tsvg "$fuente" -o "${fuente%.dot}.svg"; done; exit 0 ;;
  --comprobar) ;;
  *) echo "usage: $0 [--comprobar]" >&2; exit 2 ;;
esac

# The picture with every number inside an attribute's value (coordinates, widths, the view box)
# replaced by N; the texts between the tags are kept whole.
sin_medidas() {
  perl -pe 's/(="[^"]*")/my $v = $1; $v =~ s{-?\d+(?:\.\d+)?}{N}g; $v/ge'
}

temporal=$(mktemp -d)
trap 'rm -rf "$temporal"' EXIT
fallos=0
fallo() { echo "$1" >&2; fallos=$((fallos + 1)); }
for fuente in dibujos/*.dot; do
  dibujo=${fuente%.dot}.svg
  if [[ ! -e $dibujo ]]; then
    fallo "$fuente has no $dibujo: run tools/dibujos.sh"
    continue
  fi
  dot -Tsvg "$fuente" | sin_medidas >"$temporal/hoy"
  sin_medidas <"$dibujo" >"$temporal/guardado"
  cmp -s "$temporal/hoy" "$temporal/guardado" ||
    fallo "$dibujo does not say what $fuente draws today (its elements, texts or attributes): run tools/dibujos.sh"
done
for dibujo in dibujos/*.svg; do
  [[ -e ${dibujo%.svg}.dot ]] || fallo "$dibujo has no ${dibujo%.svg}.dot to draw it from"
done
((fallos == 0)) || exit 1
echo "every picture in dibujos/ says what its .dot draws"
