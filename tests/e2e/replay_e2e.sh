#!/usr/bin/env bash
# Records a game in the real velkar driven by key presses under a private Xvfb: Rank Hard chosen
# in the Game menu on the title, F1, the shot held until the game is lost, a name typed into the
# Name Entry dialog, Escape. velkar-sim --replay must then reproduce it to the closing digest,
# a copy with one control changed must be caught at that frame, a copy cut off as by a kill
# must play to its last line, and velkar --replay must play it in the window to the same digest
# without keeping the replay's hi-scores.
set -euo pipefail
velkar=$1
sim=$2
work=$3
rm -rf "$work"
mkdir -p "$work/game"
cp "$velkar" "$work/game/velkar"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

display=""
for n in $(seq 121 160); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || fail "no free X display"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  xdotool keyup z 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || fail "Xvfb did not start"

export SDL_AUDIODRIVER=dummy
export LANG=C LC_ALL=C
export VELKAR_TRACE=1
export XDG_CONFIG_HOME="$work/config"

# Hi-scores as a player's settings file holds them: the Hard table low enough for any game.
ini="$work/game/velkar.ini"
{
  printf '[GAME]\nGameRank=0\n[RankHard]\n'
  for n in $(seq 10); do printf 'STAGE_%d=1\nSCORE_%d=%d\nNAME_%d=OLD%d\n' "$n" "$n" $((11 - n)) "$n" "$n"; done
} >"$ini"
cp "$ini" "$work/own.ini"

wait_gone() { # what: waits up to 10 s for the program to end and checks its status
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && fail "$1 did not end the program"
  local status=0
  wait "$pid" || status=$?
  pid=""
  [ "$status" = 0 ] || fail "exit status $status after $1"
}

# --- Recording ---
vrp="$work/game.vrp"
"$work/game/velkar" --record "$vrp" 2>"$work/record.log" &
pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^VELKAR$' | head -n1) ||
  fail "no window titled VELKAR"
sleep 1
xdotool windowfocus --sync "$window"
# Game menu (Alt+F), Rank Hard (H): the menu holds the game while it is open.
xdotool key alt+f
sleep 0.5
xdotool key h
sleep 1
# A key held for a moment, as a person presses it (the game samples keys once per frame).
xdotool keydown F1
sleep 0.15
xdotool keyup F1
sleep 0.3
xdotool keydown z
dialog=$(timeout 120 xdotool search --sync --onlyvisible --name '^Name Entry$' | head -n1) ||
  fail "no Name Entry dialog within 120 s (the game was not lost, or ranked nowhere)"
xdotool keyup z
sleep 0.5
xdotool windowfocus --sync "$dialog"
# The held Z repeated into the name field until its release: replace the field's text.
xdotool key ctrl+a
xdotool type --delay 60 'REPLAYER'
xdotool key Return
sleep 1
xdotool windowfocus --sync "$window"
sleep 5 # the game-over screen runs out
xdotool key Escape
wait_gone "Escape while recording"

[ -f "$vrp" ] || fail "no replay file"
echo "recording: $(wc -c <"$vrp") bytes, $(grep -c '' "$vrp") lines"
head -n1 "$vrp" | grep -qx 'velkar-replay 1' || fail "no version line"
grep -q '^set-rank [0-9]* 1$' "$vrp" || fail "the menu's rank change is not in the file"
grep -q '^[0-9]* 100$' "$vrp" || fail "F1 is not in the file"
grep -q '^name [0-9]* "REPLAYER"$' "$vrp" || fail "the typed name is not in the file"
grep -q '^score 1 0 1 10 "OLD1"$' "$vrp" || fail "the header does not hold the settings' Hard table"
tail -n1 "$vrp" | grep -q '^end [0-9]* [0-9a-f]\{16\} [0-9a-f]\{16\}$' || fail "no closing line"
grep -q '^NAME_1=REPLAYER' "$ini" || fail "the game did not store the name"

# --- Playback in velkar-sim ---
"$sim" --replay "$vrp" --json >"$work/sim.json" 2>"$work/sim.log" || fail "velkar-sim --replay: $(cat "$work/sim.log")"
cat "$work/sim.log"
grep -q 'the closing digests [0-9a-f]* [0-9a-f]* match$' "$work/sim.log" || fail "no match reported"
grep -q '"name":"REPLAYER"' "$work/sim.json" || fail "the replayed ranking lacks the name"

# One control word changed in play (the shot held, now with Left too): caught at its frame.
start=$(awk '$2 == "100" { print $1; exit }' "$vrp")
line=$(awk -v s="$start" '/^[0-9]+ 10$/ && $1 > s + 60 { print NR ":" $1; exit }' "$vrp")
[ -n "$line" ] || fail "no control line in play to change"
number=${line%%:*}
frame=${line#*:}
sed "${number}s/.*/$frame 14/" "$vrp" >"$work/changed.vrp"
status=0
"$sim" --replay "$work/changed.vrp" 2>"$work/changed.log" >/dev/null || status=$?
cat "$work/changed.log"
[ "$status" = 1 ] || fail "a changed replay gave status $status"
grep -q "differs from the recording at frame $frame" "$work/changed.log" ||
  echo "note: the change showed after frame $frame (the ship could not move then)"
grep -q "differs from the recording at frame" "$work/changed.log" || fail "no differing frame named"

# Cut off inside a line, as a killed program leaves it: plays to its last complete line, with
# status 4 (status 0 is for a game matched to its closing digests).
head -c $(($(wc -c <"$vrp") * 2 / 3)) "$vrp" >"$work/cut.vrp"
status=0
"$sim" --replay "$work/cut.vrp" 2>"$work/cut.log" >/dev/null || status=$?
cat "$work/cut.log"
[ "$status" = 4 ] || fail "a cut-off replay gave status $status"
grep -q 'no closing digest' "$work/cut.log" || fail "the cut-off file was not reported as such"

# --- Playback in the window, at normal speed, keys ignored ---
cp "$work/own.ini" "$ini"
"$work/game/velkar" --replay "$vrp" 2>"$work/replay.log" &
pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^VELKAR$' | head -n1) ||
  fail "no window titled VELKAR for the replay"
xdotool windowfocus --sync "$window"
xdotool key F1 p Left # ignored: the replay plays on its own
frames=$(tail -n1 "$vrp" | cut -d' ' -f2)
for _ in $(seq $((frames / 5 + 100))); do
  grep -q 'replay: .*frames played' "$work/replay.log" && break
  sleep 0.1
done
grep 'replay: ' "$work/replay.log" || true
grep -q "replay: $frames frames played; the closing digests [0-9a-f]* [0-9a-f]* match$" "$work/replay.log" ||
  fail "the window's playback did not reach the closing digest"
xdotool key Escape
wait_gone "Escape after the replay"
grep -q '^NAME_1=OLD1' "$ini" || fail "the replay's hi-scores reached the player's settings"

# --- A recording made headless by velkar-sim, played in the window ---
printf '0 0\n20 100\n22 0\n60 14\n200 18\n' >"$work/moves.txt"
"$sim" --input "$work/moves.txt" --hold 10 --rank 1 --frames 600 --record "$work/sim.vrp" >/dev/null ||
  fail "velkar-sim --record failed"
"$work/game/velkar" --replay "$work/sim.vrp" 2>"$work/sim-replay.log" &
pid=$!
for _ in $(seq 300); do
  grep -q 'replay: .*frames played' "$work/sim-replay.log" && break
  sleep 0.1
done
grep 'replay: ' "$work/sim-replay.log" || true
grep -q "replay: 600 frames played; the closing digests [0-9a-f]* [0-9a-f]* match$" "$work/sim-replay.log" ||
  fail "velkar did not play velkar-sim's recording to its closing digest"
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^VELKAR$' | head -n1) ||
  fail "no window titled VELKAR for velkar-sim's recording"
xdotool windowfocus --sync "$window"
xdotool key Escape
wait_gone "Escape after velkar-sim's recording"
echo "PASS"
