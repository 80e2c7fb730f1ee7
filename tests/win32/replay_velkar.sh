#!/usr/bin/env bash
# Records a game in VELKAR.exe under Wine on a private Xorg server, driven by key presses: Rank Hard
# from the Game menu on the title, F1, the shot held until the game is lost, a name typed into
# the Name Entry dialog, Escape. The Linux velkar-sim must then play the Windows recording to its
# closing digests (the same game on another platform), and VELKAR.exe /replay must play it in
# its window to the same end without keeping the replay's hi-scores, and a copy with one control
# changed in play must be named at that frame. The script waits on what the program shows or
# writes (its windows, its recording's lines), never on how fast it runs.
# Usage: replay_velkar.sh VELKAR.exe LINUX-VELKAR-SIM
# Exit 77 (skipped, with the reason) where Xorg's dummy driver cannot be run, or without a Linux
# velkar-sim.
set -uo pipefail

exe=$1
sim=$2
# shellcheck source=wine_test_lib.sh
. "$(dirname "$0")/wine_test_lib.sh"
need_xorg xdotool xset
[ -x "$sim" ] || { echo "skip: no Linux velkar-sim at $sim (build the linux preset first)"; exit 77; }

work=$(mktemp -d "${TMPDIR:-/tmp}/velkar-replay.XXXXXX")
xorg_pid=""
game_pid=""
fail() {
  echo "FAIL: $*"
  [ -s "$work/game.log" ] && grep -a 'replay' "$work/game.log" | tail -5
  exit 1
}
cleanup() {
  xdotool keyup z 2>/dev/null
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
  [ -d "$work/prefix" ] && WINEPREFIX=$work/prefix "$WINESERVER" -k 2>/dev/null
  [ -n "$xorg_pid" ] && kill "$xorg_pid" 2>/dev/null && wait "$xorg_pid" 2>/dev/null
  [ -n "${VELKAR_KEEP_WORK:-}" ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT

# An X server with real 60 Hz modes, as the display layer wants (the dummy driver).
start_xorg 161 1024x768
# The shot is held down until the game is lost: without key repeat nothing of it reaches the
# Name Entry dialog, however late Wine takes the release.
no_key_repeat

# A Wine prefix copied from the booted one, with the X11 driver instead of the null one.
private_prefix x11

mkdir -p "$work/game"
cp "$exe" "$work/game/VELKAR.exe"
# Hi-scores as a player's settings hold them: the Hard table low enough for any game.
ini=$work/game/VELKAR.ini
{
  printf '[GAME]\r\nGameRank=0\r\n[RankHard]\r\n'
  for n in $(seq 10); do
    printf 'STAGE_%d=1\r\nSCORE_%d=%d\r\nNAME_%d=OLD%d\r\n' "$n" "$n" $((11 - n)) "$n" "$n"
  done
} >"$ini"
cp "$ini" "$work/own.ini"

ended() { ! kill -0 "$game_pid" 2>/dev/null; }
# Wine may give the focus to a window of its own inside the one found: a note, not a failure.
give_focus() { wait_for 10 take_focus "$1" || echo "note: focus reads $(xdotool getwindowfocus 2>/dev/null)"; }
start() { # log arguments...: VELKAR.exe started in its folder
  local log=$1
  shift
  (cd "$work/game" && exec "$VELKAR_WINE" VELKAR.exe "$@" </dev/null >"$work/$log" 2>&1) &
  game_pid=$!
  wait_window 60 VELKAR
  give_focus "$window"
}

# --- Recording ---
# The recording is written frame by frame: its lines show what the game has taken.
vrp=$work/game/game.vrp
recorded() { [ -f "$vrp" ] && grep -aq "$1" "$vrp"; }
past_frame() { # the recording has checked more frames than this
  [ "$(tr -d '\r' <"$vrp" | awk '$1 == "check" { n = $2 } END { print n + 0 }')" -gt "$1" ]
}
start record.log /record game.vrp
wait_for 60 recorded '^check ' || fail "the recording shows no frame played"
# Game menu (Alt+F), Rank Hard (H): the menu holds the game while it is open, and the frame
# after it closes writes the change. A press that came before the menu was up is tried again.
for attempt in 1 2 3; do
  windows=$(visible_windows)
  xdotool key alt+f
  if wait_for 10 popup_shown "$windows"; then
    xdotool key h
    wait_for 10 recorded '^set-rank [0-9]* 1' && break
    # A menu left open is closed (Escape with no menu open would end the program).
    popup_shown "$windows" && xdotool key Escape
  fi
  echo "note: the menu's rank change was not taken on attempt $attempt"
  give_focus "$window"
done
# F1 held until the game shows it took it: on a busy machine a short press and its release
# can both fall between two frames.
xdotool keydown F1
wait_for 30 recorded '^[0-9]* 100' || fail "F1 is not in the file"
xdotool keyup F1
xdotool keydown z
wait_for ${VELKAR_DIALOG_WAIT:-300} find_window 'Name Entry' || fail "no Name Entry dialog within 300 s"
dialog=$window
xdotool keyup z
give_focus "$dialog"
# Whatever the field holds is cleared first.
xdotool key --repeat 12 --delay 30 BackSpace
xdotool type --delay 80 'WINEPLAY'
xdotool key Return
wait_for 60 recorded '^name [0-9]* ' || fail "the game took no answer from the Name Entry dialog"
# The game-over screen runs out (five seconds of frames) before the program ends.
named=$(tr -d '\r' <"$vrp" | awk '$1 == "name" { print $2; exit }')
wait_for 120 past_frame $((named + 300)) || fail "the game stopped after the Name Entry dialog"
wait_window 10 VELKAR
give_focus "$window"
xdotool key Escape
wait_for 20 ended || fail "Escape did not end the recording program"
game_pid=""

[ -f "$vrp" ] || fail "no replay file"
echo "recording: $(wc -c <"$vrp") bytes, $(grep -c '' "$vrp") lines"
head -n1 "$vrp" | grep -qx 'velkar-replay 1' || fail "no version line"
grep -q '^# recorded by VELKAR.exe' "$vrp" || fail "not recorded by VELKAR.exe"
grep -q '^set-rank [0-9]* 1$' "$vrp" || fail "the menu's rank change is not in the file"
grep -q '^[0-9]* 100$' "$vrp" || fail "F1 is not in the file"
grep -q '^name [0-9]* "WINEPLAY"$' "$vrp" || fail "the typed name is not in the file"
grep -q '^score 1 0 1 10 "OLD1"$' "$vrp" || fail "the header does not hold the settings' Hard table"
tail -n1 "$vrp" | grep -q '^end [0-9]* [0-9a-f]\{16\} [0-9a-f]\{16\}$' || fail "no closing line"

# --- The Windows recording in the Linux velkar-sim ---
"$sim" --replay "$vrp" --json >"$work/sim.json" 2>"$work/sim.log" || fail "velkar-sim: $(cat "$work/sim.log")"
cat "$work/sim.log"
grep -q 'the closing digests [0-9a-f]* [0-9a-f]* match' "$work/sim.log" || fail "no match reported"
grep -q '"name":"WINEPLAY"' "$work/sim.json" || fail "the replayed ranking lacks the name"
# One control changed in play (a frame the recording shows the ship under control): the Linux
# velkar-sim names that frame.
"$(dirname "$0")/../e2e/replay_damage.sh" "$sim" "$vrp" "$work/damage" || fail "the damaged copy"

# --- Playback in VELKAR.exe's window ---
cp "$work/own.ini" "$ini"
start replay.log /replay game.vrp
press F1 # ignored: the replay plays on its own
frames=$(tail -n1 "$vrp" | cut -d' ' -f2)
played() { grep -aq 'replay: .*frames played' "$work/replay.log"; }
# Real time is 60 frames a second; a loaded machine may drop frames, so twice that and more.
wait_for $((frames / 30 + 60)) played || fail "the replay did not end in the window"
grep -a 'replay: ' "$work/replay.log" | sed 's/.*OutputDebugStringA //'
grep -aq "replay: $frames frames played; the closing digests [0-9a-f]* [0-9a-f]* match" \
  "$work/replay.log" || fail "the window's playback did not reach the closing digests"
give_focus "$window"
xdotool key Escape
wait_for 20 ended || fail "Escape did not end the replaying program"
game_pid=""
tr -d '\r' <"$ini" | grep -q '^NAME_1=OLD1' || fail "the replay's hi-scores reached the player's settings"
echo "PASS"
