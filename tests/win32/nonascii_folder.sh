#!/usr/bin/env bash
# VELKAR.exe started from a folder named "Jeux é" under Wine (headless, the null graphics driver):
# with VELKAR_TRACE=1 its diagnostics reach Wine's debug channel (WINEDEBUG=+debugstr), where all
# ten effects must be read (one "f=..." line each) and none refused.
# Usage: nonascii_folder.sh VELKAR.exe
set -uo pipefail

exe=$1
here=$(cd "$(dirname "$0")" && pwd)
runner=$here/../../cmake/wine-run.sh

work=$(mktemp -d "${TMPDIR:-/tmp}/velkar-folder.XXXXXX")
game_pid=""
stop_wine() { WINEPREFIX=$work/prefix wineserver -k >/dev/null 2>&1 || true; }
cleanup() {
  [ -d "$work/prefix" ] && stop_wine
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null && wait "$game_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  [ -s "$work/game.log" ] && grep -a 'debugstr' "$work/game.log" | tail -15
  exit 1
}

# A prefix of our own, copied from the booted one, so that ending it touches no other test.
"$runner" cmd /c exit </dev/null >/dev/null 2>&1 || true
wine_dir=${VELKAR_WINE_DIR:-${TMPDIR:-/tmp}/velkar-wine-$(id -u)}
[ -f "$wine_dir/base/.booted" ] || fail "no booted Wine prefix in $wine_dir/base"
cp -a "$wine_dir/base" "$work/prefix"

# The ten effects as short 16-bit mono files: a header and four silent samples each.
game="$work/Jeux é"
mkdir -p "$game/Wave"
cp "$exe" "$game/VELKAR.exe"
for name in Boon Bygoooon Doooon Dotyuun Hyuun Tyiiiin Bugu Chyuin Gooon Pyuin; do
  printf 'RIFF\x2c\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x22\x56\x00\x00\x44\xac\x00\x00\x02\x00\x10\x00data\x08\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
    >"$game/Wave/$name.wav"
done

(cd "$game" && WINEPREFIX=$work/prefix VELKAR_TRACE=1 WINEDEBUG=+debugstr \
  exec "$runner" VELKAR.exe </dev/null >"$work/game.log" 2>&1) &
game_pid=$!

loaded() { [ "$(grep -ac 'f=22050, rate=44100, bit=16, channel=1' "$work/game.log")" -ge 10 ]; }
deadline=$((SECONDS + 90))
until loaded; do
  grep -aq 'read open error' "$work/game.log" && break
  kill -0 "$game_pid" 2>/dev/null || break
  [ $SECONDS -lt $deadline ] || break
  sleep 0.5
done
sleep 1 # any refusal of a later effect is traced right after
grep -aq 'OutputDebugString' "$work/game.log" || fail "no diagnostics reached Wine's debug channel"
if grep -aq 'read open error' "$work/game.log"; then fail "an effect was refused"; fi
loaded || fail "not all ten effects were read"
echo "ten effects read from \"$game\""
echo "PASS"
