#!/usr/bin/env bash
# VELKAR.exe started from a folder named "Jeux é" under Wine (headless: the null graphics driver).
# With VELKAR_TRACE=1 its diagnostic messages reach Wine's debug channel (WINEDEBUG=+debugstr),
# where all ten effects of its Wave folder must be read (one format line each) and none refused.
# Usage: nonascii_folder.sh VELKAR.exe WAVE-DIR
set -uo pipefail

exe=$1
wave=$2
here=$(cd "$(dirname "$0")" && pwd)
runner=$here/../../cmake/wine-run.sh
# shellcheck source=../../cmake/wine-env.sh
. "$here/../../cmake/wine-env.sh"
arch=$(velkar_wine_arch "$exe")
velkar_wine_setup "$arch" || exit 1

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
VELKAR_WINE_ARCH=$arch "$runner" cmd /c exit </dev/null >/dev/null 2>&1 || true
wine_dir=${VELKAR_WINE_DIR:-${TMPDIR:-/tmp}/velkar-wine-$(id -u)}
[ -f "$wine_dir/$arch/base/.booted" ] || fail "the $arch Wine prefix did not boot"
cp -a "$wine_dir/$arch/base" "$work/prefix"
export WINEPREFIX=$work/prefix WINEDEBUG=-all,+debugstr VELKAR_TRACE=1
export ALSA_CONFIG_PATH=$wine_dir/asound.conf LANG=C.UTF-8 LC_ALL=C.UTF-8

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
