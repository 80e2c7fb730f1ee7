#!/usr/bin/env bash
# Records a game in VELKAR.exe under Wine on a private Xorg server, driven by key presses: Rank Hard
# from the Game menu on the title, F1, the shot held until the game is lost, a name typed into
# the Name Entry dialog, Escape. The Linux velkar-sim must then play the Windows recording to its
# closing digests (the same game on another platform), and a copy with one control changed in
# play must be named at that frame. VELKAR.exe /replay must play it in its window to the same
# end without keeping the replay's hi-scores, also after it was paused, sought to its end and
# back, stepped and sped up to the fastest with the keys (the title bar showing each frame and
# speed, and the normal title once the replay ended); and T must hand the replay to the player,
# recording a take-over beside VELKAR.ini that plays back to its own closing digests. The
# script waits on what the program shows or writes (its windows and their titles, its
# recording's lines), never on how fast it runs.
# Usage: replay_velkar.sh VELKAR.exe LINUX-VELKAR-SIM
# Exit 77 (skipped, with the reason) where Xorg's dummy driver cannot be run, or without a Linux
# velkar-sim.
set -uo pipefail

exe=$1
sim=$2
# shellcheck source=wine_test_lib.sh
. "$(dirname "$0")/wine_test_lib.sh"
. "$(dirname "$0")/../e2e/replay_keys_lib.sh"
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
start() { # log title arguments...: VELKAR.exe started in its folder, its window so titled
  local log=$1 title=$2
  shift 2
  (cd "$work/game" && exec "$VELKAR_WINE" VELKAR.exe "$@" </dev/null >"$work/$log" 2>&1) &
  game_pid=$!
  wait_window 60 "$title"
  give_focus "$window"
}

# --- Recording ---
# The recording is written frame by frame: its lines show what the game has taken.
vrp=$work/game/game.vrp
recorded() { [ -f "$vrp" ] && grep -aq "$1" "$vrp"; }
past_frame() { # the recording has checked more frames than this
  [ "$(tr -d '\r' <"$vrp" | awk '$1 == "check" { n = $2 } END { print n + 0 }')" -gt "$1" ]
}
start record.log VELKAR /record game.vrp
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

# --- Playback in VELKAR.exe's window: paused, sought to its end and back, stepped, played on ---
cp "$work/own.ini" "$ini"
# The title bar says where the replay is.
replay_title='VELKAR - replay [0-9:.]* / [0-9:.]*, frame [0-9]* / [0-9]*'
start replay.log "$replay_title" /replay game.vrp
frames=$(tail -n1 "$vrp" | cut -d' ' -f2)
[ "$frames" -gt 700 ] || fail "the recording is too short ($frames frames) to seek in"
walk_replay_keys
played() { grep -aq 'replay: .*frames played' "$work/replay.log"; }
# Real time is 60 frames a second; a loaded machine may drop frames, so twice that and more.
wait_for $((frames / 30 + 60)) played || fail "the replay did not end in the window"
grep -a 'replay: ' "$work/replay.log" | sed 's/.*OutputDebugStringA //'
grep -aq "replay: $frames frames played; the closing digests [0-9a-f]* [0-9a-f]* match" \
  "$work/replay.log" || fail "the window's playback did not reach the closing digests"
wait_for 10 titled '^VELKAR' || fail "the title shows '$(title)' after the replay, not VELKAR"
give_focus "$window"
xdotool key Escape
wait_for 20 ended || fail "Escape did not end the replaying program"
game_pid=""
tr -d '\r' <"$ini" | grep -q '^NAME_1=OLD1' || fail "the replay's hi-scores reached the player's settings"

# --- Take-over: T hands the controls to the player where the replay is ---
start takeover.log "$replay_title" /replay game.vrp
xdotool key space
wait_for 10 titled ', paused' || fail "Space did not pause the replay to take over"
xdotool key Home period period
shows 2
xdotool key t
# The file is written beside VELKAR.ini, and the title says which it is.
wait_for 30 titled 'VELKAR - taken over at frame 2, recording to [A-Z]:.*\\takeover-[0-9-]*\.vrp' ||
  fail "the title shows '$(title)', not the take-over"
taken=$(ls "$work"/game/takeover-*.vrp 2>/dev/null)
[ "$(echo "$taken" | grep -c .)" = 1 ] || fail "not one take-over file beside VELKAR.ini: '$taken'"
titled "\\\\$(basename "$taken")" || fail "the title '$(title)' names another file than $taken"
# The player's game: F1 held until the file shows it, then the program ends.
xdotool keydown F1
wait_for 30 grep -aq '^[0-9]* 100$' "$taken" || fail "the taken-over game took no control"
xdotool keyup F1
give_focus "$window"
xdotool key Escape
wait_for 20 ended || fail "Escape did not end the taken-over game"
game_pid=""
grep -q '^# take-over at frame 2 of a replay; ' "$taken" || fail "the take-over's header does not say so"
"$sim" --replay "$taken" >/dev/null 2>"$work/taken.log" || fail "the take-over's recording: $(cat "$work/taken.log")"
cat "$work/taken.log"
grep -q 'the closing digests [0-9a-f]* [0-9a-f]* match' "$work/taken.log" ||
  fail "the take-over's recording did not match"
tr -d '\r' <"$ini" | grep -q '^NAME_1=OLD1' || fail "the replay's hi-scores reached the player's settings"
echo "PASS"
