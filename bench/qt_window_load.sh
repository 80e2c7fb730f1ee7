#!/usr/bin/env bash
# Measures the Linux program under a private Xvfb: the time from launch to the first presented
# frame over several starts, then the CPU use of each thread while a game runs in the window.
# Figures only; nothing here passes or fails on a time.
# Usage: bench/qt_window_load.sh VELKAR [SECONDS=20] [STARTS=10] [WORKDIR]
set -euo pipefail
velkar=$(realpath "$1")
seconds=${2:-20}
starts=${3:-10}
work=${4:-$(mktemp -d)}
mkdir -p "$work/game"
cp "$velkar" "$work/game/velkar"
[ -d "$(dirname "$velkar")/Wave" ] && cp -r "$(dirname "$velkar")/Wave" "$work/game/"

display=""
for n in $(seq 160 200); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "no free X display" >&2; exit 1; }
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
pid=""
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
export SDL_AUDIODRIVER=dummy LANG=C LC_ALL=C VELKAR_TRACE=1 XDG_CONFIG_HOME="$work/config"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"

# Start-up: the launch time taken here against the wall clock the program traces with its
# first presented frame.
: >"$work/starts"
for i in $(seq "$starts"); do
  log="$work/start$i.log"
  t0=$(date +%s.%N)
  "$work/game/velkar" 2>"$log" &
  pid=$!
  for _ in $(seq 250); do grep -q "first frame" "$log" 2>/dev/null && break; sleep 0.02; done
  kill -TERM "$pid"
  wait "$pid" 2>/dev/null || true
  pid=""
  line=$(grep -m1 "first frame" "$log") || { echo "start $i: no frame presented" >&2; continue; }
  wall=$(sed -n 's/.*wall clock \([0-9.]*\)).*/\1/p' <<<"$line")
  cpu=$(sed -n 's/.*CPU time \([0-9]*\) ms.*/\1/p' <<<"$line")
  awk -v a="$t0" -v b="$wall" -v c="$cpu" 'BEGIN { printf "%.0f %s\n", (b - a) * 1000, c }' \
    >>"$work/starts"
done
summary() { # column name
  sort -n -k"$1" "$work/starts" | awk -v k="$1" -v name="$2" '{ v[NR] = $k }
    END { if (NR) printf "%s: min %d, median %d, max %d ms over %d starts\n", name, v[1],
          v[int((NR + 1) / 2)], v[NR], NR }'
}
summary 1 "launch to first presented frame (wall)"
summary 2 "process CPU time at the first presented frame"

# A game in the window: F1 from the title, then the threads' CPU time over the interval.
"$work/game/velkar" 2>"$work/play.log" &
pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^VELKAR$' | head -n1)
sleep 1.5
xdotool windowfocus --sync "$window"
xdotool keydown F1
sleep 0.15
xdotool keyup F1
sleep 1
snapshot() {
  for task in /proc/"$pid"/task/*; do
    # utime and stime, after the name in parentheses (which may hold spaces).
    printf '%s %s %s\n' "${task##*/}" "$(tr ' ' '_' <"$task/comm")" \
      "$(sed 's/^.*) //' "$task/stat" | awk '{ print $12 + $13 }')"
  done | sort
}
snapshot >"$work/cpu-a"
s0=$(date +%s.%N)
sleep "$seconds"
snapshot >"$work/cpu-b"
s1=$(date +%s.%N)
join "$work/cpu-a" "$work/cpu-b" | awk -v hz="$(getconf CLK_TCK)" -v s="$s0" -v e="$s1" \
  -v main="$pid" '
  { share = 100 * ($5 - $3) / hz / (e - s); name = $1 == main ? "UI (main)" : $2
    printf "  %-8s %-16s %6.2f %%\n", $1, name, share; total += share
    if ($2 == "velkar-game") game += share }
  END { printf "CPU over %.1f s, in %% of one core: total %.2f, game thread %.2f, " \
               "beyond the game thread %.2f\n", e - s, total, game, total - game }'
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
xdotool key Escape
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
