#!/usr/bin/env bash
# Counts the writable variables each room of the core defines at namespace or function scope:
# the data and bss symbols (nm types D, d, B, b) of the room's objects, without the compiler's
# own (guard variables, vtables and typeinfo, string literals).
#   bench/count_room_globals.sh BUILD_DIR   (a configured and built linux preset, e.g. build/linux)
set -euo pipefail
build=${1:?usage: count_room_globals.sh BUILD_DIR}
total=0
for dir in "$build"/src/CMakeFiles/velkar_*.dir; do
  room=${dir##*/velkar_}
  room=${room%.dir}
  n=$(find "$dir" -name '*.o' -print0 | xargs -0 nm --defined-only 2>/dev/null |
      awk '$2 ~ /^[DdBb]$/ {print $3}' | grep -v -E '^(_ZGV|_ZTV|_ZTI|_ZTS|\.L)' | sort -u | wc -l)
  printf '%-10s %d\n' "$room" "$n"
  total=$((total + n))
done
printf '%-10s %d\n' all "$total"
