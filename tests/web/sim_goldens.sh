#!/bin/sh
# The WebAssembly velkar-sim, run by node, must print every pinned golden state byte for byte.
# Usage: sim_goldens.sh NODE VELKAR-SIM.JS GOLDEN-DIR
set -eu
node=$1 sim=$2 dir=$3
out=$(mktemp)
trap 'rm -f "$out"' EXIT
count=0
for script in "$dir"/*.txt; do
  name=${script%.txt}
  # The pinned state names the number of frames it was taken after.
  frames=$(sed -n 's/^{"frame":\([0-9]*\),.*/\1/p' "$name.json")
  if [ -z "$frames" ]; then
    echo "$name.json: no frame count" >&2
    exit 1
  fi
  "$node" --no-experimental-fetch "$sim" --frames "$frames" --json --input "$script" >"$out"
  if ! cmp -s "$out" "$name.json"; then
    echo "$(basename "$name"): the WebAssembly run differs from the pinned state:" >&2
    diff "$name.json" "$out" | head -c 2000 >&2
    exit 1
  fi
  echo "$(basename "$name"): $frames frames, same state"
  count=$((count + 1))
done
[ "$count" -gt 0 ] || { echo "no golden runs in $dir" >&2; exit 1; }
