#!/usr/bin/env bash
# Checks an installed VELKAR from its files alone: a DESTDIR install of the build, or the Debian
# packages unpacked into a scratch root. What is installed where; the menu entry and the
# software centres' metainfo pass their validators and name screenshots that are there; each
# manual page lists exactly the options its program's --help shows, each of them accepted; the
# versions and the licence; and the installed programs run: velkar-sim plays a pinned game to its pinned
# digests and loads the installed effects, velkar shows a few frames offscreen while recording
# them, and velkar-sim plays that recording back to the same digests.
# Usage: check_installed.sh ROOT PREFIX SOURCE_DIR VERSION WORK
set -euo pipefail
trap 'echo "FAIL: line $LINENO: a command failed" >&2' ERR
root=$(realpath "$1") prefix=$2 source=$(realpath "$3") version=$4 work=$5
rm -rf "$work"
mkdir -p "$work"
work=$(realpath "$work")
top=$root$prefix
share=$top/share

fail() { echo "FAIL: $*" >&2; exit 1; }
installed() { # name: the program in games/ (a Debian package) or bin/
  local dir
  for dir in games bin; do
    [ -x "$top/$dir/$1" ] && { echo "$top/$dir/$1"; return; }
  done
  fail "$1 is not installed in $top/games or $top/bin"
}
velkar=$(installed velkar)
sim=$(installed velkar-sim)
# The score board, when this build or these packages have it: a daemon, in sbin/.
board=""
for dir in games bin; do
  if [ -e "$top/$dir/velkar-board" ]; then fail "velkar-board is in $top/$dir, not in sbin/"; fi
done
if [ -x "$top/sbin/velkar-board" ]; then board=$top/sbin/velkar-board; fi
png_size() { # file: "WIDTH HEIGHT" from the PNG header
  local b
  read -r -a b <<<"$(od -An -tu1 -j16 -N8 "$1")"
  echo "$(((b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3])) $(((b[4] << 24) | (b[5] << 16) | (b[6] << 8) | b[7]))"
}

# --- Files ---
# The menu entry, the metainfo and the icons are named after the program's id.
id=io.github.velkar.velkar
desktop=$share/applications/$id.desktop
metainfo=$share/metainfo/$id.metainfo.xml
for file in "$desktop" "$metainfo"; do [ -s "$file" ] || fail "missing $file"; done
grep -qx "Icon=$id" "$desktop" || fail "$desktop does not name the icon $id"
for size in 32 64 128; do
  icon=$share/icons/hicolor/${size}x${size}/apps/$id.png
  [ -s "$icon" ] || fail "missing $icon"
  [ "$(png_size "$icon")" = "$size $size" ] || fail "$icon is $(png_size "$icon"), not $size x $size"
done
# The scalable icon: the pixels of the 32 px one, as squares.
svg=$share/icons/hicolor/scalable/apps/$id.svg
grep -q '<svg xmlns="http://www.w3.org/2000/svg" .*viewBox="0 0 32 32"' "$svg" ||
  fail "$svg is not a 32 x 32 SVG picture"
[ "$(grep -c '<rect ' "$svg")" -gt 10 ] || fail "$svg draws almost nothing"
# The licence: the project's LICENSE (an install), or each package's copyright file naming it.
packaged=0
if [ -d "$share/doc/velkar-tools" ]; then packaged=1; fi # the Debian packages, not an install
if [ "$packaged" = 1 ]; then
  for package in velkar velkar-tools ${board:+velkar-board}; do
    copyright=$share/doc/$package/copyright
    [ -s "$copyright" ] || fail "missing $copyright"
    grep -qx 'License: Expat' "$copyright" || fail "$copyright does not give the Expat (MIT) licence"
    grep -qF "Copyright: $(sed -n 's/^Copyright (c) //p' "$source/LICENSE")" "$copyright" ||
      fail "$copyright does not name the authors"
  done
else
  cmp -s "$share/doc/velkar/LICENSE" "$source/LICENSE" || fail "$share/doc/velkar/LICENSE is not the LICENSE"
fi
waves=$(find "$share/velkar/Wave" -name '*.wav' | wc -l)
[ "$waves" = 10 ] || fail "$waves effect files in $share/velkar/Wave, expected 10"

# --- Menu entry and metainfo ---
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
appstreamcli validate --pedantic --strict --no-net "$metainfo" >"$work/appstream.log" 2>&1 ||
  { cat "$work/appstream.log" >&2; fail "appstreamcli validate --pedantic --strict rejects $metainfo"; }
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
  fail "the metainfo does not launch $id.desktop"
grep -q '<project_license>MIT</project_license>' "$metainfo" || fail "the metainfo names no MIT licence"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo's release is not $version"
# Every screenshot the metainfo names is an installed file of the declared size, and every
# installed screenshot is named.
named=0
while read -r width height url; do
  case "$url" in https://*) ;; *) fail "screenshot address $url is not https" ;; esac
  file=$share/velkar/screenshots/$(basename "$url")
  [ -s "$file" ] || fail "the metainfo names $url, but $file is not installed"
  [ "$(png_size "$file")" = "$width $height" ] ||
    fail "$file is $(png_size "$file"), the metainfo says $width $height"
  # The canvas (240 x 320) as the window shows it at x3.
  [ "$width $height" = "720 960" ] || fail "the screenshot $url is $width x $height, not 720 x 960"
  named=$((named + 1))
done < <(sed -n 's|.*<image type="source" width="\([0-9]*\)" height="\([0-9]*\)">\([^<]*\)</image>.*|\1 \2 \3|p' "$metainfo")
shots=$(find "$share/velkar/screenshots" -name '*.png' | wc -l)
[ "$named" -gt 0 ] && [ "$named" = "$shots" ] ||
  fail "the metainfo names $named screenshots, $shots are installed"

# --- The board's service (a package's): where it runs from, its checks and its exposure ---
if [ -n "$board" ] && [ "$packaged" = 1 ]; then
  unit=$root/lib/systemd/system/velkar-board.service
  [ -s "$unit" ] || fail "missing $unit"
  grep -q "^ExecStart=$prefix/sbin/velkar-board " "$unit" || fail "$unit does not run $prefix/sbin/velkar-board"
  # systemd-analyze verify looks for the program and the manual page on this machine: the copy
  # it reads runs the unpacked program, and man looks in the unpacked pages.
  mkdir -p "$work/unit"
  sed "s|^ExecStart=$prefix/|ExecStart=$top/|" "$unit" >"$work/unit/velkar-board.service"
  MANPATH=$share/man systemd-analyze verify "$work/unit/velkar-board.service" >"$work/verify.log" 2>&1 ||
    { cat "$work/verify.log" >&2; fail "systemd-analyze verify rejects $unit"; }
  [ ! -s "$work/verify.log" ] || { cat "$work/verify.log" >&2; fail "systemd-analyze verify warns about $unit"; }
  systemd-analyze security --offline=yes "$unit" >"$work/security.log" 2>&1 || true
  exposure=$(sed -n 's/.*Overall exposure level for velkar-board.service: \([0-9.]*\).*/\1/p' "$work/security.log")
  [ -n "$exposure" ] || { cat "$work/security.log" >&2; fail "systemd-analyze security gave no score for $unit"; }
  awk -v e="$exposure" 'BEGIN { exit !(e <= 2.0) }' ||
    { grep '✗' "$work/security.log" >&2; fail "the board's service is exposed at $exposure, above 2.0"; }
  echo "velkar-board.service: exposure $exposure (systemd-analyze security --offline=yes)"
fi

# --- Options: --help, the manual page, the parser ---
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy LANG=C LC_ALL=C
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
options() { grep -oE -- '(^|[^-a-z])--[a-z][a-z0-9-]*' | grep -oE -- '--[a-z][a-z0-9-]*' | sort -u; }
for program in "$velkar" "$sim" $board; do
  name=$(basename "$program")
  section=6
  [ "$name" = velkar-board ] && section=8
  "$program" --version >"$work/$name.version"
  [ "$(head -n1 "$work/$name.version")" = "$name $version" ] ||
    fail "$name --version says '$(head -n1 "$work/$name.version")', expected '$name $version'"
  grep -q 'the MIT licence' "$work/$name.version" || fail "$name --version names no licence"
  "$program" --help | options >"$work/$name.help"
  [ -s "$work/$name.help" ] || fail "$name --help lists no options"
  page=$(ls "$share/man/man$section/$name.$section"* 2>/dev/null | head -n1)
  [ -n "$page" ] || fail "no manual page $name($section) in $share/man/man$section"
  # The entries of the OPTIONS section, as man shows them.
  MANWIDTH=200 man -P cat -l "$page" 2>/dev/null |
    awk '/^OPTIONS/ { on = 1; next } /^[A-Z]/ { on = 0 } on' |
    grep -oE -- '^ {7}--[a-z][a-z0-9-]*' | tr -d ' ' | sort -u >"$work/$name.man"
  [ -s "$work/$name.man" ] || fail "the manual page $page lists no options"
  # The service's user and folder, shown as they are spelt (a leading _ is not markup).
  if [ "$name" = velkar-board ]; then
    for literal in ' _velkar-board' ' /var/lib/velkar-board'; do
      MANWIDTH=200 man -P cat -l "$page" 2>/dev/null | grep -qF -- "$literal" ||
        fail "the manual page $page does not show '$literal'"
    done
  fi
  if ! diff -u --label "$name --help" --label "$name($section)" "$work/$name.help" "$work/$name.man" \
      >"$work/$name.diff"; then
    cat "$work/$name.diff" >&2
    fail "$name --help and its manual page list different options"
  fi
  # Each option is one the program takes. velkar's options alone stop before the game starts
  # (--record and --replay want a file); velkar-sim's are followed by two stray arguments, so
  # that its parser stops at one of them, and never at the option under test.
  stray=()
  [ "$name" = velkar-sim ] && stray=(% %)
  while read -r option; do
    out=$(timeout 60 "$program" "$option" "${stray[@]}" </dev/null 2>&1 >/dev/null || true)
    if grep -iE 'unknown|unrecognised' <<<"$out" | grep -qF -- "$option"; then
      fail "$name refuses $option, which --help lists: $out"
    fi
  done <"$work/$name.help"
done
# The runner's parser and its short usage name no option that --help leaves out.
grep -ohE '"--[a-z][a-z0-9-]*"' "$source"/tools/sim/*.cpp | tr -d '"' | sort -u >"$work/sim.parsed"
comm -23 "$work/sim.parsed" "$work/velkar-sim.help" >"$work/sim.unlisted"
[ ! -s "$work/sim.unlisted" ] ||
  fail "velkar-sim takes options that --help does not list: $(tr '\n' ' ' <"$work/sim.unlisted")"
{ "$sim" --no-such-option 2>&1 >/dev/null || true; } | sed -n 's/^usage: //p' | options >"$work/sim.usage"
grep -vxE -- '--(help|version)' "$work/velkar-sim.help" | diff -u - "$work/sim.usage" >&2 ||
  fail "velkar-sim's short usage and --help list different options"
"$velkar" --no-such-option >/dev/null 2>&1 && fail "velkar takes an unknown option"

# --- velkar-sim: a pinned game, and the installed effects ---
golden=$source/tests/sim/golden
"$sim" --god --frames 13400 --digest 50 --input "$golden/stage.txt" >"$work/stage.digest"
cmp -s "$work/stage.digest" "$golden/stage.digest" ||
  fail "the installed velkar-sim plays the pinned stage to other digests"
"$sim" --frames 1 --json --wave-dir "$share/velkar/Wave" >"$work/effects.json"
loaded=$(grep -oE '"bytes":[0-9]+' "$work/effects.json" | grep -cvE ':0$' || true)
[ "$loaded" = 10 ] || fail "velkar-sim loaded $loaded of the 10 installed effects"

# --- velkar: a few frames offscreen, recorded, then replayed by velkar-sim ---
VELKAR_TRACE=1 "$velkar" --record "$work/run.vrp" 2>"$work/trace.log" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
for _ in $(seq 600); do
  grep -q '^check 120 ' "$work/run.vrp" 2>/dev/null && break
  kill -0 "$pid" 2>/dev/null || { cat "$work/trace.log" >&2; fail "velkar ended by itself"; }
  sleep 0.1
done
grep -q '^check 120 ' "$work/run.vrp" || { cat "$work/trace.log" >&2; fail "velkar ran no 120 frames in 60 s"; }
grep -q 'first frame taken for presentation' "$work/trace.log" || fail "velkar presented no frame"
# Its effects: looked for where they are installed (under ROOT here, so not found there), in
# traces that name the program. A package's velkar looks there first.
[ -s "$share/velkar/Wave/Boon.wav" ] || fail "no $share/velkar/Wave/Boon.wav"
grep -qF "] velkar: read open error (result=-1) \"$prefix/share/velkar/Wave/Boon.wav\"" "$work/trace.log" ||
  fail "velkar does not look for its effects in $prefix/share/velkar/Wave: $(grep Boon "$work/trace.log")"
if [ "$packaged" = 1 ]; then
  grep -F Boon.wav "$work/trace.log" | head -n1 | grep -qF "\"$prefix/share/velkar/Wave/Boon.wav\"" ||
    fail "the packaged velkar looks for its effects elsewhere first: $(grep Boon "$work/trace.log")"
fi
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
trap - EXIT
[ "$status" = 0 ] || fail "velkar ended with status $status on SIGTERM"
# Its settings: a package's velkar writes them under XDG_CONFIG_HOME, never beside itself, even
# where it may write there (as root may in /usr/games).
if [ "$packaged" = 1 ]; then
  [ -s "$XDG_CONFIG_HOME/velkar/velkar.ini" ] || fail "velkar wrote no $XDG_CONFIG_HOME/velkar/velkar.ini"
  [ ! -e "$(dirname "$velkar")/velkar.ini" ] || fail "velkar wrote its settings beside itself"
fi
grep -q "^# recorded by velkar $version;" "$work/run.vrp" ||
  fail "the recording's header does not name velkar $version"
tail -n1 "$work/run.vrp" | grep -q '^end ' || fail "the recording has no closing line"
"$sim" --replay "$work/run.vrp" >"$work/replay.log" 2>&1 ||
  { cat "$work/replay.log" >&2; fail "velkar-sim does not play velkar's recording back"; }
grep -q 'closing digests [0-9a-f]* [0-9a-f]* match' "$work/replay.log" || fail "velkar-sim: $(cat "$work/replay.log")"
# --- velkar-board: served on loopback, it plays a submitted file with the installed velkar-sim ---
if [ -n "$board" ]; then
  "$board" --port 0 --data "$work/board" >"$work/board.log" 2>&1 &
  pid=$!
  trap 'kill "$pid" 2>/dev/null || true' EXIT
  for _ in $(seq 300); do
    grep -q 'serving http://127.0.0.1:[0-9]*/' "$work/board.log" && break
    kill -0 "$pid" 2>/dev/null || { cat "$work/board.log" >&2; fail "velkar-board ended by itself"; }
    sleep 0.1
  done
  address=$(grep -o 'http://127.0.0.1:[0-9]*/' "$work/board.log" | head -n1)
  [ -n "$address" ] || fail "velkar-board did not start serving: $(cat "$work/board.log")"
  # Its player is the installed velkar-sim, found from sbin/ without --sim.
  grep -qF "player $sim)" "$work/board.log" ||
    fail "velkar-board does not play replays with $sim: $(cat "$work/board.log")"
  python3 - "$address" "$work/run.vrp" <<'PY' || fail "the installed velkar-board did not verify velkar's recording"
import json, sys, time, urllib.request
base, path = sys.argv[1], sys.argv[2]
body = open(path, "rb").read()
request = urllib.request.Request(base + "api/replays", data=body, method="POST",
                                 headers={"Content-Type": "application/octet-stream"})
with urllib.request.urlopen(request, timeout=30) as answer:
    submitted = json.load(answer)
deadline = time.time() + 120
while time.time() < deadline:
    with urllib.request.urlopen(base + "api/replays/" + submitted["id"], timeout=30) as answer:
        state = json.load(answer)
    if state["status"] != "pending":
        break
    time.sleep(0.2)
print("velkar-board:", state["status"], state.get("reason", ""))
sys.exit(0 if state["status"] == "verified" else 1)
PY
  kill -TERM "$pid"
  wait "$pid" 2>/dev/null || true
  trap - EXIT
fi
echo "PASS: $velkar and $sim ($version), $(wc -l <"$work/velkar.help") and $(wc -l <"$work/velkar-sim.help") options, $named screenshots${board:+, and $board}"
