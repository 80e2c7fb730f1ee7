# The replay keys walked through in a window program's replay, read back from its title bar;
# sourced by the Linux and Windows end-to-end tests. The caller defines fail, wait_for (seconds,
# then a command to poll), $window and $frames (the replay's length).

title() { xdotool getwindowname "$window" 2>/dev/null; }
titled() { title | grep -q -- "$1\$"; }

# FRAME[, SPEED]: waits for the title to show the replay paused there.
shows() {
  local at=${1%%,*} speed=""
  [ "$at" = "$1" ] || speed=",${1#*,}"
  wait_for 30 titled "frame $at / $frames$speed, paused" ||
    fail "the title shows '$(title)', not frame $1 paused"
}

# Pauses the replay, seeks to its end and back, steps, goes 10 s on and back, steps
# twice, changes the speed up to the fastest and sets it going again; each place is checked in
# the title bar. Keys the replay does not take (F1, p) change nothing.
walk_replay_keys() {
  xdotool key space
  wait_for 10 titled ', paused' || fail "Space did not pause the replay (the title shows '$(title)')"
  xdotool key F1 p
  xdotool key End
  shows $((frames - 1))
  xdotool key Home
  shows 0
  xdotool key period
  shows 1
  xdotool key Right
  shows 626
  xdotool key Left
  shows 1
  xdotool key period period
  shows 3
  # Speeds: ] up, [ down, within x1/4 .. as fast as it goes; the rest is played at the fastest.
  xdotool key bracketright
  shows "3, x2"
  xdotool key bracketleft bracketleft bracketleft bracketleft
  shows "3, x1/4"
  xdotool key bracketright bracketright bracketright bracketright bracketright bracketright bracketright
  shows "3, fastest"
  xdotool key space
  resumed() { ! titled ', paused'; }
  wait_for 10 resumed || fail "Space did not resume the replay"
}
