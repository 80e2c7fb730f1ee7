# Sourced by the end-to-end scripts that drive a program's window on a private X server. Before
# sourcing, set `work` (a scratch folder) and define `fail MESSAGE`. It gives:
#   wait_for SECONDS COMMAND...   runs the command until it succeeds; status 1 when the deadline
#                                 passes first (a wait for a condition, never a fixed pause)
#   free_display FIRST            the first display number from FIRST on with neither a socket
#                                 nor a lock file: sets `display` (":N")
#   start_xvfb FIRST              a private Xvfb (1024 x 768, 24 bits) on a free display from
#                                 FIRST on, answering requests: exports DISPLAY, sets xvfb_pid
#   stop_xvfb                     ends it (for the caller's exit trap)
#   no_key_repeat                 turns the server's key repeat off: a key held down is one press
#                                 until its release, however long a busy machine takes to let it go
#   find_window TITLE             a visible window with exactly this title: sets `window`
#   wait_window SECONDS TITLE     waits for one: sets `window`, fails naming the title when none
#   popup_shown COUNT             more windows are visible than COUNT (the `windows` seen before
#                                 a menu was opened): a menu's popup is a window of its own
#   focus WINDOW                  gives it the keyboard focus (no window manager runs) and checks
#                                 that it has it
#   press KEY                     a key held for a moment, as a person presses it
#   wait_gone SECONDS PID         waits for the process to end (status 1 when it does not)
# shellcheck shell=bash

wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.1
  done
}

free_display() {
  local n
  display=""
  for n in $(seq "$1" $(($1 + 39))); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      display=":$n"
      return 0
    fi
  done
  fail "no free X display from :$1 on"
}

x_answers() { xdpyinfo >/dev/null 2>&1; }
start_xvfb() {
  free_display "$1"
  # -noreset: an X server resets itself when its last client leaves, and refuses connections
  # while it does; a program started right after a check (xdpyinfo, xset) could meet that.
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  export DISPLAY=$display
  wait_for 30 x_answers || fail "Xvfb did not start on $display: $(tail -n3 "$work/xvfb.log")"
}

no_key_repeat() { xset r off || fail "the X server's key repeat could not be turned off"; }

stop_xvfb() {
  if [ -n "${xvfb_pid:-}" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  fi
}

find_window() {
  window=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1)
  [ -n "$window" ]
}

wait_window() {
  window=""
  wait_for "$1" find_window "$2" || fail "no window titled \"$2\" within $1 s"
}

visible_windows() { xdotool search --onlyvisible --name '' 2>/dev/null | grep -c .; }
popup_shown() { [ "$(visible_windows)" -gt "$1" ]; }

has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
take_focus() {
  xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1" 2>/dev/null || true
  has_focus "$1"
}
focus() { wait_for 10 take_focus "$1" || fail "window $1 did not take the keyboard focus"; }

# The game samples the keys once per frame: a press must last longer than a frame.
press() {
  xdotool keydown "$1"
  sleep 0.15
  xdotool keyup "$1"
}

process_gone() { ! kill -0 "$1" 2>/dev/null; }
wait_gone() { wait_for "$1" process_gone "$2"; }
