#!/usr/bin/env bash
# Starts the real velkar where SDL has no working sound driver: it must reach the title in its
# shown window (frames presented), with no message box, say in its trace why there is no sound,
# and end on SIGTERM with status 0 and its settings written. Needs QT_QPA_PLATFORM=offscreen.
set -euo pipefail
velkar=$1
work=$2
rm -rf "$work"
mkdir -p "$work/game"
cp "$velkar" "$work/game/velkar"

fail() {
  echo "FAIL: $*" >&2
  sed 's/^/  trace: /' "$work/trace.log" >&2 || true
  exit 1
}

export SDL_AUDIODRIVER=no-such-driver
export VELKAR_TRACE=1
export LANG=C LC_ALL=C
export XDG_CONFIG_HOME="$work/config"
"$work/game/velkar" 2>"$work/trace.log" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

for _ in $(seq 300); do
  grep -q "first frame taken" "$work/trace.log" && break
  kill -0 "$pid" 2>/dev/null || fail "velkar ended during start-up"
  sleep 0.1
done
grep -q "first frame taken" "$work/trace.log" || fail "no frame presented within 30 s"
grep -q "start-up: window shown" "$work/trace.log" || fail "the window was not shown"
grep -q "SDL audio init error: .*no-such-driver" "$work/trace.log" ||
  fail "the trace does not say why there is no sound"
grep -q "running without sound\|runs without sound" "$work/trace.log" ||
  fail "the trace does not say the game runs without sound"

# Still running a second later: frames keep coming.
sleep 1
kill -0 "$pid" 2>/dev/null || fail "velkar ended while playing"
kill -TERM "$pid"
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "SIGTERM did not end the program"
status=0
wait "$pid" || status=$?
trap - EXIT
[ "$status" = 0 ] || fail "exit status $status"
ini=$(ls "$work/game/"*.ini "$work/config/velkar/"*.ini 2>/dev/null | head -n1 || true)
[ -n "$ini" ] || fail "no settings file written"
grep -q "^EnableSound=1" "$ini" || fail "settings file $ini lacks EnableSound=1"
echo "PASS"
