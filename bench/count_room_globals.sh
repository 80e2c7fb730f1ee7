#!/usr/bin/env bash
# Counts the writable variables each room of the core defines at namespace or function scope:
# the objects in the data and bss sections of the room's objects, without the compiler's own
# (guard variables, vtables and typeinfo, string literals) and without constants placed in
# .data.rel.ro.
#   bench/count_room_globals.sh BUILD_DIR   (a configured and built linux preset, e.g. build/linux)
set -euo pipefail
build=${1:?usage: count_room_globals.sh BUILD_DIR}
src=$(cd "$(dirname "$0")/../src" && pwd)
total=0
for dir in "$build"/src/CMakeFiles/velkar_*.dir; do
  room=${dir##*/velkar_}
  room=${room%.dir}
  # Objects in .data or .bss (and their per-symbol subsections); .data.rel.ro holds constants
  # that only need their addresses relocated at load, which the program never writes.
  # Only objects whose source is still in the room: a build folder keeps the object of a file
  # that moved to another room.
  objects=()
  while IFS= read -r -d '' object; do
    source=${object#"$dir"/}
    [ -f "$src/${source%.o}" ] && objects+=("$object")
  done < <(find "$dir" -name '*.cpp.o' -print0)
  n=$(printf '%s\0' "${objects[@]}" | xargs -0 -r objdump -t 2>/dev/null |
      awk '$3 == "O" && $4 ~ /^\.(data|bss)(\.|$)/ && $4 !~ /^\.data\.rel\.ro/ {print $NF}' |
      { grep -v -E '^(_ZGV|_ZTV|_ZTI|_ZTS|\.L|DW\.ref\.)' || true; } | sort -u | wc -l)
  printf '%-10s %d\n' "$room" "$n"
  total=$((total + n))
done
printf '%-10s %d\n' all "$total"
