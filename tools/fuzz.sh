#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for a bounded time (SEGUNDOS, 60 by default), starting
# from the committed seeds. Any crash, that is any broken invariant, fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
segundos=${SEGUNDOS:-60}
construccion=desarrollo/fuzz  # the fuzz preset's

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target copia_fuzz lectura_fuzz >/dev/null

for objetivo in copia lectura; do
  corpus=$(mktemp -d)  # new inputs go here, not into the committed seeds
  registro=$construccion/${objetivo}.log
  echo "== ${objetivo}_fuzz for ${segundos} s"
  if ! "$construccion"/bin/${objetivo}_fuzz -max_total_time="$segundos" -max_len=4096 \
         -artifact_prefix="$construccion"/${objetivo}- "$corpus" fuzz/semillas/${objetivo} \
         >"$registro" 2>&1; then
    tail -n 40 "$registro"
    echo "${objetivo}_fuzz found a failing input (saved under $construccion/)" >&2
    exit 1
  fi
  grep -E '^Done|stat::number_of_executed_units' "$registro" | tail -n 1
  rm -rf "$corpus"
done
