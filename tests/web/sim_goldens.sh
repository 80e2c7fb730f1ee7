#!/bin/sh
# The WebAssembly velkar-sim, run by node, must print every pinned golden result byte for byte:
# NAME.json (the final state) or NAME.digest (the chained digest at each mark) for each NAME.txt.
# Usage: sim_goldens.sh NODE VELKAR-SIM.JS GOLDEN-DIR
set -eu
node=$1 sim=$2 dir=$3
out=$(mktemp)
trap 'rm -f "$out"' EXIT

# The runner's options of each digest run besides its input (as the native runner's tests run
# them); a digest run not listed here stops the check rather than go unchecked.
digest_options() {
  case "$1" in
    stage) echo "--god" ;;
    lost) echo "" ;;
    hard) echo "--god --rank 1" ;;
    *) echo "sim_goldens.sh: no options known for the digest run $1; add it here" >&2; return 1 ;;
  esac
}

count=0
for script in "$dir"/*.txt; do
  name=${script%.txt}
  base=$(basename "$name")
  if [ -f "$name.json" ]; then
    # The pinned state names the number of frames it was taken after.
    frames=$(sed -n 's/^{"frame":\([0-9]*\),.*/\1/p' "$name.json")
    pinned=$name.json
    set -- --frames "$frames" --json
  elif [ -f "$name.digest" ]; then
    # One mark every N frames up to the last frame run: N is the first mark's frame.
    every=$(head -n 1 "$name.digest" | cut -d' ' -f1)
    frames=$(tail -n 1 "$name.digest" | cut -d' ' -f1)
    pinned=$name.digest
    options=$(digest_options "$base")
    # shellcheck disable=SC2086 # the options are separate words
    set -- $options --frames "$frames" --digest "$every"
  else
    echo "$base.txt: neither $base.json nor $base.digest is pinned" >&2
    exit 1
  fi
  if [ -z "$frames" ]; then
    echo "$pinned: no frame count" >&2
    exit 1
  fi
  "$node" --no-experimental-fetch "$sim" "$@" --input "$script" >"$out"
  if ! cmp -s "$out" "$pinned"; then
    echo "$base: the WebAssembly run differs from $(basename "$pinned"):" >&2
    diff "$pinned" "$out" | head -c 2000 >&2
    exit 1
  fi
  echo "$base: $frames frames, the same $(basename "$pinned")"
  count=$((count + 1))
done
[ "$count" -gt 0 ] || { echo "no golden runs in $dir" >&2; exit 1; }
