#!/usr/bin/env bash
# VELKAR.exe started from a folder named "Jeux é" under Wine (headless: the null graphics driver).
# With VELKAR_TRACE=1 its diagnostic messages reach Wine's debug channel (WINEDEBUG=+debugstr),
# where all ten effects of its Wave folder must be read (one format line each) and none refused.
# Usage: nonascii_folder.sh VELKAR.exe WAVE-DIR
set -uo pipefail

exe=$1
wave=$2
# shellcheck source=wine_test_lib.sh
. "$(dirname "$0")/wine_test_lib.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/velkar-folder.XXXXXX")
game_pid=""
cleanup() {
  [ -d "$work/prefix" ] && WINEPREFIX=$work/prefix "$WINESERVER" -k 2>/dev/null
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null && wait "$game_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  [ -s "$work/game.log" ] && grep -a 'OutputDebugString' "$work/game.log" | tail -15
  exit 1
}

# A prefix of our own, copied from the booted one, so that ending it touches no other test.
private_prefix

game="$work/Jeux é"
mkdir -p "$game/Wave"
cp "$exe" "$game/VELKAR.exe"
cp "$wave"/*.wav "$game/Wave/"
(cd "$game" && exec "$VELKAR_WINE" VELKAR.exe </dev/null >"$work/game.log" 2>&1) &
game_pid=$!

loaded() { [ "$(grep -ac 'OutputDebugStringA "f=' "$work/game.log")" -ge 10 ]; }
deadline=$((SECONDS + 90))
until loaded; do
  grep -aq 'read open error' "$work/game.log" && break
  [ $SECONDS -lt $deadline ] || break
  sleep 0.5
done
sleep 1 # a refusal of a later effect is traced right after
grep -aq 'OutputDebugString' "$work/game.log" || fail "no diagnostics reached Wine's debug channel"
! grep -aq 'read open error' "$work/game.log" || fail "an effect could not be opened"
loaded || fail "the trace shows $(grep -ac 'OutputDebugStringA "f=' "$work/game.log") of the ten effects read"
echo "ten effects read from \"$game\""
echo "PASS"
