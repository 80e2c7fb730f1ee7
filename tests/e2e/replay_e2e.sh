#!/usr/bin/env bash
# Records a game in the real velkar driven by key presses under a private Xvfb: Rank Hard chosen
# in the Game menu on the title, F1, the shot held until the game is lost, a name typed into the
# Name Entry dialog, Escape. velkar-sim --replay must then reproduce it to the closing digest,
# a copy with one control changed in play must be caught at that frame, a copy cut off as by a
# kill must play to its last line, and velkar --replay must play it in the window to the same
# digest without keeping the replay's hi-scores, also after it was paused, sought to its end and
# back, stepped and sped up with the keys (the title bar showing each frame and speed); the
# Replay menu's entries must pause, seek and step as their keys do; and T must hand a replay to
# the player, recording a file that plays back to its own closing digest.
# The script waits on what the program shows or writes (its window, its recording's lines),
# never on how fast it runs, and the damaged copy is made where the recording shows the ship
# under control, whatever the key timing was.
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
# shellcheck source=x_test_lib.sh
. "$(dirname "$0")/x_test_lib.sh"
. "$(dirname "$0")/replay_keys_lib.sh"

pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  xdotool keyup z 2>/dev/null || true
  stop_xvfb
}
trap cleanup EXIT
start_xvfb 121
# The shot is held down until the game is lost: without key repeat nothing of it reaches the
# Name Entry dialog, however late the release comes.
no_key_repeat

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

ended() { # what: waits for the program to end and checks its status
  wait_gone 20 "$pid" || fail "$1 did not end the program"
  local status=0
  wait "$pid" || status=$?
  pid=""
  [ "$status" = 0 ] || fail "exit status $status after $1"
}

# --- Recording ---
vrp="$work/game.vrp"
# The recording is written frame by frame: its lines show what the game has taken.
recorded() { [ -f "$vrp" ] && grep -q "$1" "$vrp"; }
recorded_frames() { # the frames the recording has checked so far
  awk '$1 == "check" { n = $2 } END { print n + 0 }' "$vrp"
}
past_frame() { [ "$(recorded_frames)" -gt "$1" ]; }

"$work/game/velkar" --record "$vrp" 2>"$work/record.log" &
pid=$!
wait_window 20 VELKAR
focus "$window"
wait_for 60 recorded '^check ' || fail "the recording shows no frame played"
# Game menu (Alt+F), Rank Hard (H): the menu holds the game while it is open, and the frame
# after it closes writes the change. A press that came before the menu was up is tried again.
for attempt in 1 2 3; do
  windows=$(visible_windows)
  xdotool key alt+f
  if wait_for 5 popup_shown "$windows"; then
    xdotool key h
    wait_for 10 recorded '^set-rank [0-9]* 1$' && break
    # A menu left open is closed (Escape with no menu open would end the program).
    popup_shown "$windows" && xdotool key Escape
  fi
  echo "note: the menu's rank change was not taken on attempt $attempt"
  focus "$window"
done
recorded '^set-rank [0-9]* 1$' || fail "the menu's rank change is not in the file"
# F1 held until the game shows it took it: on a busy machine a short press and its release
# can both fall between two frames.
xdotool keydown F1
wait_for 30 recorded '^[0-9]* 100$' || fail "F1 is not in the file"
xdotool keyup F1
xdotool keydown z
wait_for 240 find_window 'Name Entry' ||
  fail "no Name Entry dialog within 240 s (the game was not lost, or ranked nowhere)"
dialog=$window
xdotool keyup z
focus "$dialog"
# Whatever the field holds is replaced.
xdotool key ctrl+a
xdotool type --delay 60 'REPLAYER'
xdotool key Return
wait_for 60 recorded '^name [0-9]* ' || fail "the game took no answer from the Name Entry dialog"
# The game-over screen runs out (five seconds of frames) before the program ends.
named=$(awk '$1 == "name" { print $2; exit }' "$vrp")
wait_for 60 past_frame $((named + 300)) || fail "the game stopped after the Name Entry dialog"
wait_window 10 VELKAR
focus "$window"
xdotool key Escape
ended "Escape while recording"

[ -f "$vrp" ] || fail "no replay file"
echo "recording: $(wc -c <"$vrp") bytes, $(grep -c '' "$vrp") lines"
head -n1 "$vrp" | grep -qx 'velkar-replay 1' || fail "no version line"
grep -q '^name [0-9]* "REPLAYER"$' "$vrp" || fail "the typed name is not in the file"
grep -q '^score 1 0 1 10 "OLD1"$' "$vrp" || fail "the header does not hold the settings' Hard table"
tail -n1 "$vrp" | grep -q '^end [0-9]* [0-9a-f]\{16\} [0-9a-f]\{16\}$' || fail "no closing line"
grep -q '^NAME_1=REPLAYER' "$ini" || fail "the game did not store the name"

# --- Playback in velkar-sim ---
"$sim" --replay "$vrp" --json >"$work/sim.json" 2>"$work/sim.log" || fail "velkar-sim --replay: $(cat "$work/sim.log")"
cat "$work/sim.log"
grep -q 'the closing digests [0-9a-f]* [0-9a-f]* match$' "$work/sim.log" || fail "no match reported"
grep -q '"name":"REPLAYER"' "$work/sim.json" || fail "the replayed ranking lacks the name"

# One control changed in play (a frame the recording shows the ship under control): caught at
# that frame.
"$(dirname "$0")/replay_damage.sh" "$sim" "$vrp" "$work/damage"

# Cut off inside a line, as a killed program leaves it: plays to its last complete line, with
# status 4 (status 0 is for a game matched to its closing digests).
head -c $(($(wc -c <"$vrp") * 2 / 3)) "$vrp" >"$work/cut.vrp"
status=0
"$sim" --replay "$work/cut.vrp" 2>"$work/cut.log" >/dev/null || status=$?
cat "$work/cut.log"
[ "$status" = 4 ] || fail "a cut-off replay gave status $status"
grep -q 'no closing digest' "$work/cut.log" || fail "the cut-off file was not reported as such"

# --- Playback in the window: paused, sought to its end and back, stepped, then played on ---
cp "$work/own.ini" "$ini"
"$work/game/velkar" --replay "$vrp" 2>"$work/replay.log" &
pid=$!
# The title bar says where the replay is.
wait_window 20 'VELKAR - replay [0-9:.]* / [0-9:.]*, frame [0-9]* / [0-9]*'
focus "$window"
frames=$(tail -n1 "$vrp" | cut -d' ' -f2)
[ "$frames" -gt 700 ] || fail "the recording is too short ($frames frames) to seek in"
walk_replay_keys
played() { grep -q 'replay: .*frames played' "$work/replay.log"; }
# Real time is 60 frames a second; a loaded machine may drop frames, so twice that and more.
wait_for $((frames / 30 + 60)) played || fail "the replay did not end in the window"
grep 'replay: ' "$work/replay.log" || true
grep -q "replay: $frames frames played; the closing digests [0-9a-f]* [0-9a-f]* match$" "$work/replay.log" ||
  fail "the window's playback did not reach the closing digest"
focus "$window"
xdotool key Escape
ended "Escape after the replay"
grep -q '^NAME_1=OLD1' "$ini" || fail "the replay's hi-scores reached the player's settings"

# --- A recording made headless by velkar-sim, played in the window ---
printf '0 0\n20 100\n22 0\n60 14\n200 18\n' >"$work/moves.txt"
"$sim" --input "$work/moves.txt" --hold 10 --rank 1 --frames 600 --record "$work/sim.vrp" >/dev/null ||
  fail "velkar-sim --record failed"
"$work/game/velkar" --replay "$work/sim.vrp" 2>"$work/sim-replay.log" &
pid=$!
sim_played() { grep -q 'replay: .*frames played' "$work/sim-replay.log"; }
wait_for $((600 / 30 + 60)) sim_played || fail "velkar did not end velkar-sim's recording"
grep 'replay: ' "$work/sim-replay.log" || true
grep -q "replay: 600 frames played; the closing digests [0-9a-f]* [0-9a-f]* match$" "$work/sim-replay.log" ||
  fail "velkar did not play velkar-sim's recording to its closing digest"
wait_window 20 VELKAR
focus "$window"
xdotool key Escape
ended "Escape after velkar-sim's recording"
# --- The Replay menu, then take-over: T hands the controls to the player where the replay is ---
rm -f "$work"/game/takeover-*.vrp
"$work/game/velkar" --replay "$work/sim.vrp" 2>"$work/takeover.log" &
pid=$!
wait_window 20 'VELKAR - replay .*'
focus "$window"
popup_gone() { ! popup_shown "$1"; }
replay_menu() { # LETTER: the Replay menu (Alt+R), then its entry with that underlined letter
  local windows attempt
  windows=$(visible_windows)
  for attempt in 1 2 3; do
    xdotool key alt+r
    wait_for 5 popup_shown "$windows" && break
    echo "note: Alt+R showed no menu on attempt $attempt"
    focus "$window"
  done
  popup_shown "$windows" || fail "Alt+R opened no Replay menu"
  xdotool key "$1"
  wait_for 10 popup_gone "$windows" || fail "the Replay menu stayed open after '$1'"
}
frames=600
replay_menu p # Pause/Resume
wait_for 10 titled ', paused' || fail "the menu's Pause/Resume did not pause velkar-sim's recording"
replay_menu e # To the End
shows 599
replay_menu t # To the Start
shows 0
replay_menu s # Step One Frame
shows 1
xdotool key period
shows 2
xdotool key t
wait_for 30 titled "VELKAR - taken over at frame 2, recording to $work/game/takeover-[0-9-]*\.vrp" ||
  fail "the title shows '$(xdotool getwindowname "$window")', not the take-over"
taken=$(xdotool getwindowname "$window" | sed 's/.*, recording to //')
# The player's game: F1 held until the file shows it, then the program ends.
xdotool keydown F1
wait_for 30 grep -q '^[0-9]* 100$' "$taken" || fail "the taken-over game took no control"
xdotool keyup F1
xdotool key Escape
ended "Escape after a take-over"
grep -q '^# take-over at frame 2 of a replay; ' "$taken" || fail "the take-over's header does not say so"
"$sim" --replay "$taken" >/dev/null 2>"$work/taken.log" || fail "the take-over's recording: $(cat "$work/taken.log")"
grep -q 'the closing digests [0-9a-f]* [0-9a-f]* match$' "$work/taken.log" || fail "the take-over's recording did not match"
echo "PASS"
