#!/usr/bin/env bash
# Damages a recorded game where it is known to be in play and checks that velkar-sim --replay
# names the damaged frame: one control bit (Left, or Right near the left edge) is flipped for one
# frame in which the recording shows the ship under control, and the change must first be seen
# to move the ship. Whatever the key timing of the recording was, the frame is found from the
# recording's own checks and the replayed states.
# Usage: replay_damage.sh VELKAR-SIM RECORDING SCRATCH-DIR
set -euo pipefail
sim=$1
vrp=$2
work=$3
mkdir -p "$work"
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The state after every 60 frames, the span of a check line.
"$sim" --replay "$vrp" --every 60 >"$work/states.jsonl" 2>"$work/states.log" ||
  fail "velkar-sim --replay: $(cat "$work/states.log")"
# The lines without a carriage return (a file written on Windows may end its lines so).
tr -d '\r' <"$vrp" >"$work/plain.vrp"
value() { # file frames key: a number of the state after so many frames
  grep -m1 "^{\"frame\":$2," "$1" | sed -n "s/.*\"$3\":\\(-\\?[0-9]*\\).*/\\1/p"
}

# Writes $work/changed.vrp: the controls of frame $1 with bit $2 flipped for that frame only.
change_control() {
  local held
  held=$(awk -v f="$1" '/^[0-9]+ [0-9a-f]+$/ && $1 + 0 <= f { bits = $2 } END { print bits }' \
    bits=0 "$work/plain.vrp")
  awk -v f="$1" -v held="$held" -v flipped="$(printf %x $((0x$held ^ $2)))" '
    /^[0-9]+ [0-9a-f]+$/ && $1 + 0 == f { next }
    /^[0-9]+ [0-9a-f]+$/ && $1 + 0 == f + 1 && restore { restore = 0; print; next }
    restore { print f + 1, held; restore = 0 }
    $1 == "check" && $2 + 0 == f + 1 { print f, flipped; print; restore = 1; next }
    { print }' "$work/plain.vrp" >"$work/changed.vrp"
}

# The change goes into the last frame before a check line, so that frame's mark and the check's
# full digest both see the state it moved: the difference is found at that very frame.
changed=""
for checked in $(awk '$1 == "check" { print $2 }' "$work/plain.vrp"); do
  frame=$((checked - 1))
  # In play (mode 4) with the ship under control (state 1 or 2) after that frame.
  [ "$(value "$work/states.jsonl" "$checked" GameMode)" = 4 ] || continue
  ship=$(value "$work/states.jsonl" "$checked" PlayerState)
  [ "$ship" = 1 ] || [ "$ship" = 2 ] || continue
  x=$(value "$work/states.jsonl" "$checked" PlayerX)
  if [ $((x >> 8)) -gt 200 ]; then bit=4; else bit=8; fi
  change_control "$frame" "$bit"
  status=0
  "$sim" --replay "$work/changed.vrp" --every 60 >"$work/changed.jsonl" 2>"$work/changed.log" ||
    status=$?
  # The change must move the ship (a hit taken in that frame holds it): else the next check.
  kept=$x
  moved=$(value "$work/changed.jsonl" "$checked" PlayerX)
  if [ -z "$moved" ] || [ "$moved" = "$kept" ]; then
    echo "note: control bit $bit flipped at frame $frame did not move the ship; trying the next check"
    continue
  fi
  changed=$frame
  break
done
[ -n "$changed" ] || fail "no frame in play where a changed control moves the ship"
echo "control bit $bit flipped at frame $changed: the ship at x $((moved >> 8)) instead of $((kept >> 8))"
cat "$work/changed.log"
[ "$status" = 1 ] || fail "the changed replay gave status $status"
grep -q "differs from the recording at frame ${changed}[: ]" "$work/changed.log" ||
  fail "the change at frame $changed was not named at its frame"
