#!/usr/bin/env bash
# Runs the real velkar under a private Xvfb: the window appears with the title, F1 starts a
# game, Alt+Enter enters and leaves full screen, Escape ends the program with status 0 and the
# settings file then holds every key and both ranking sections; SIGTERM ends it the same way.
# Also reports the start-up time to the first presented frame and the process's CPU use while
# it runs in a window.
set -euo pipefail
velkar=$1
sim=$2
work=$3
rm -rf "$work"
mkdir -p "$work/game"
cp "$velkar" "$work/game/velkar"
# The effects, when the build made them, beside the copied program.
for w in "$(dirname "$velkar")/Wave" "$(dirname "$velkar")/../Wave"; do
  if [ -d "$w" ]; then cp -r "$w" "$work/game/Wave"; break; fi
done

fail() { echo "FAIL: $*" >&2; exit 1; }
# shellcheck source=x_test_lib.sh
. "$(dirname "$0")/x_test_lib.sh"

pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  stop_xvfb
}
trap cleanup EXIT
start_xvfb 90

export SDL_AUDIODRIVER=dummy
export LANG=C LC_ALL=C
export VELKAR_TRACE=1
export XDG_CONFIG_HOME="$work/config"
# The title as the headless runner draws it, doubled: the logo region must match.
"$sim" --frames 91 --png "90:$work/sim-title.png" >/dev/null
convert "$work/sim-title.png" -scale 200% "$work/sim-title-2x.png"

# The program starts on the title, whose logo stands from frame 20 to 340 (about 5 s) of an
# attract cycle of 55 s, and one look at the window may take longer than that on a busy
# machine: the game is paused (P) as soon as the window has the focus, and looked at while it
# is paused.
start_paused() {
  "$work/game/velkar" 2>"$work/trace.log" &
  pid=$!
  wait_window 20 VELKAR
  focus "$window"
  xdotool key p
}
start_paused
echo "window $window"

# The client area: the bottom 480 x 640 of the window (the menu bar above it).
shot() { # name
  import -window root "$work/$1-root.png"
  eval "$(xdotool getwindowgeometry --shell "$window")"
  local top=$((Y + HEIGHT - 640))
  convert "$work/$1-root.png" -crop "480x640+$X+$top" +repage "$work/$1.png"
}

sized() { # width height [at least]: the window's size (or its lower bound)
  eval "$(xdotool getwindowgeometry --shell "$window")"
  if [ "${3:-}" = "at least" ]; then
    [ "$WIDTH" = "$1" ] && [ "$HEIGHT" -gt "$2" ]
  else
    [ "$WIDTH" = "$1" ] && [ "$HEIGHT" = "$2" ]
  fi
}
# The window with its menu bar above the 480 x 640 picture.
wait_for 10 sized 480 640 "at least" || true
[ "$WIDTH" = 480 ] || fail "window width $WIDTH, expected 480"
[ "$HEIGHT" -gt 640 ] || fail "window height $HEIGHT leaves no room for a menu bar"

logo="200x40+140+200" # the "VELKAR" logo and a margin, in the doubled picture
region_diff() { # a b [region]: differing pixels of the region (the logo by default)
  local region=${3:-$logo}
  # Only the white text counts: stars and effects in other colours come and go.
  convert "$1" -crop "$region" +repage -fuzz 20% -fill black +opaque white "$work/region-a.png"
  convert "$2" -crop "$region" +repage -fuzz 20% -fill black +opaque white "$work/region-b.png"
  compare -metric AE -fuzz 10% "$work/region-a.png" "$work/region-b.png" null: 2>&1 || true
}
title_shown() {
  shot title
  title_diff=$(region_diff "$work/title.png" "$work/sim-title-2x.png")
  [ "${title_diff%%.*}" -lt 100 ]
}
# Between two looks the game runs for about a second (at most 60 frames of the logo's 320); a
# start so slow that the logo had gone before the pause is made again.
look_for_title() {
  if title_shown; then
    xdotool key p
    return 0
  fi
  xdotool key p
  sleep 1
  xdotool key p
  return 1
}
for attempt in 1 2 3; do
  wait_for 30 look_for_title && break
  [ $attempt = 3 ] && break
  echo "note: no title seen after start $attempt; starting again"
  kill "$pid"
  wait "$pid" || true
  start_paused
done
echo "title logo region: $title_diff differing pixels"
[ "${title_diff%%.*}" -lt 100 ] || fail "the window does not show the title (logo differs by $title_diff)"

# The play picture of the headless runner: F1 pressed at frame 20, 150 frames later.
printf '20 100\n26 0\n' >"$work/start.txt"
"$sim" --frames 171 --input "$work/start.txt" --png "170:$work/sim-play.png" >/dev/null
convert "$work/sim-play.png" -scale 200% "$work/sim-play-2x.png"
hud_region="200x24+0+616" # "1P:3 B:3", shown only in play
hud_before=$(region_diff "$work/title.png" "$work/sim-play-2x.png" "$hud_region")
in_play() {
  shot play
  play_diff=$(region_diff "$work/play.png" "$work/sim-title-2x.png")
  hud_after=$(region_diff "$work/play.png" "$work/sim-play-2x.png" "$hud_region")
  [ "${play_diff%%.*}" -ge 300 ] && [ "${hud_after%%.*}" -lt 40 ]
}
# F1 held until the game shows it took it: on a busy machine a short press and its release
# can both fall between two frames.
xdotool keydown F1
wait_for 20 in_play || true
xdotool keyup F1
echo "after F1: logo region $play_diff, play HUD region $hud_after (before F1 $hud_before)"
[ "${play_diff%%.*}" -ge 300 ] || fail "F1 did not leave the title"
[ "${hud_before%%.*}" -ge 100 ] || fail "the title already shows the play HUD?"
[ "${hud_after%%.*}" -lt 40 ] || fail "F1 did not start a game (no play HUD)"

# CPU use in a window over 5 s (utime + stime in clock ticks; a measurement, so a fixed span),
# the whole process and the part outside the game thread (bench/qt_window_load.sh gives the
# per-thread figures).
ticks() { # [thread name]: ticks of every thread, or of the named one
  for task in /proc/"$pid"/task/*; do
    if [ -z "${1:-}" ] || [ "$(cat "$task/comm")" = "$1" ]; then
      sed 's/^.*) //' "$task/stat" | awk '{ print $12 + $13 }'
    fi
  done | awk '{ s += $1 } END { print s + 0 }'
}
hz=$(getconf CLK_TCK)
t0=$(ticks); g0=$(ticks velkar-game); s0=$(date +%s.%N)
sleep 5
t1=$(ticks); g1=$(ticks velkar-game); s1=$(date +%s.%N)
awk -v a="$t0" -v b="$t1" -v ga="$g0" -v gb="$g1" -v s="$s0" -v e="$s1" -v hz="$hz" \
  'BEGIN { printf "CPU while playing in a window: %.1f %% of one core, %.1f %% beyond the game thread\n",
           100 * (b - a) / hz / (e - s), 100 * ((b - a) - (gb - ga)) / hz / (e - s) }'

# 1024 x 768: bars of 224 pixels each side; the picture between them.
letterboxed() {
  import -window root "$work/full.png"
  left=$(convert "$work/full.png" -crop 224x768+0+0 +repage -format %k info:)
  right=$(convert "$work/full.png" -crop 224x768+800+0 +repage -format %k info:)
  middle=$(convert "$work/full.png" -crop 575x767+224+0 +repage -format %k info:)
  [ "$left" = 1 ] && [ "$right" = 1 ] && [ "$middle" -gt 3 ]
}
xdotool key alt+Return
wait_for 10 sized 1024 768 || true
echo "full screen geometry: ${WIDTH}x${HEIGHT}+$X+$Y"
[ "$WIDTH" = 1024 ] && [ "$HEIGHT" = 768 ] || fail "Alt+Enter did not cover the screen"
wait_for 10 letterboxed || true
[ "$left" = 1 ] && [ "$right" = 1 ] || fail "full screen bars are not plain ($left, $right colours)"
[ "$middle" -gt 3 ] || fail "full screen shows no picture"

xdotool key alt+Return
wait_for 10 sized 480 640 "at least" || true
echo "back in the window: ${WIDTH}x${HEIGHT}+$X+$Y"
[ "$WIDTH" = 480 ] && [ "$HEIGHT" -gt 640 ] && [ "$HEIGHT" -lt 700 ] || fail "Alt+Enter did not return to the window"

xdotool key Escape
status=0
wait_gone 20 "$pid" || fail "Escape did not end the program"
wait "$pid" || status=$?
pid=""
[ "$status" = 0 ] || fail "exit status $status"

ini="$work/game/velkar.ini"
[ -f "$ini" ] || fail "no settings file beside the program"
for key in GameRank ScreenDevice ScreenResolution ScreenBpp DisablePrimSurf SoundVolume1 \
  SoundVolume2 EnableSound JoyButton_A JoyButton_B JoyButton_C JoyButton_START JoyButton_PAUSE \
  Language; do
  grep -q "^$key=" "$ini" || fail "settings file lacks $key"
done
for section in GAME DISPLAY SOUND INPUT ENVIRONMENT RankNormal RankHard; do
  grep -q "^\[$section\]" "$ini" || fail "settings file lacks [$section]"
done
grep -q "^Language=0" "$ini" || fail "the C locale did not store English"

# SIGTERM (a logout, kill) ends the program the same way: status 0, settings written.
rm -f "$ini"
"$work/game/velkar" 2>"$work/trace-term.log" &
pid=$!
wait_window 20 VELKAR
# Running: its first frame presented.
presented() { grep -q "first frame taken" "$work/trace-term.log"; }
wait_for 20 presented || fail "no frame presented on the second start"
kill -TERM "$pid"
wait_gone 20 "$pid" || fail "SIGTERM did not end the program"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" = 0 ] || fail "exit status $status after SIGTERM"
grep -q "^JoyButton_PAUSE=" "$ini" || fail "no settings written after SIGTERM"

first=$(grep -m1 "first frame taken" "$work/trace.log" | sed 's/^\[ *\([0-9]*\) ms\].*/\1/')
echo "start-up to the first presented frame: ${first:-?} ms"
echo "PASS"
