#!/usr/bin/env bash
# Builds the libFuzzer target of the bounded copy and the word read and runs it for a bounded time
# (SEGUNDOS, 60 by default), starting from the committed seeds. Any crash, that is any broken
# invariant, fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
segundos=${SEGUNDOS:-60}
construccion=desarrollo/fuzz  # the fuzz preset's
registro=$construccion/texto.log

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target texto_fuzz >/dev/null

corpus=$(mktemp -d)  # new inputs go here, not into the committed seeds
trap 'rm -rf "$corpus"' EXIT
echo "== texto_fuzz for ${segundos} s"
if ! "$construccion"/bin/texto_fuzz -max_total_time="$segundos" -max_len=4096 \
       -artifact_prefix="$construccion"/texto- "$corpus" fuzz/semillas >"$registro" 2>&1; then
  tail -n 40 "$registro"
  echo "texto_fuzz found a failing input (saved under $construccion/)" >&2
  exit 1
fi
grep -E '^Done|stat::number_of_executed_units' "$registro" | tail -n 1
