#!/usr/bin/env bash
# VELKAR.exe must be a GUI program of the build's format (PE32 i386, or PE32+ x86-64 for the
# 64-bit build) that imports only Windows' own DLLs and carries its resources: the menus 101 and
# 102, the dialogs 102, 103, 109, 111, 112 and 113, and the icon 32512 with its two images.
# Usage: check_exe.sh VELKAR.exe i686|x86_64     (OBJDUMP names the MinGW objdump)
set -euo pipefail
exe=$1
arch=$2
objdump=${OBJDUMP:-$arch-w64-mingw32-objdump}
description=$(file -b "$exe")
echo "$description"
case "$arch:$description" in
  "i686:PE32 executable (GUI) Intel 80386"*) ;;
  "x86_64:PE32+ executable (GUI) x86-64"*) ;;
  *) echo "FAIL: not a $arch GUI executable"; exit 1 ;;
esac
allowed="kernel32.dll user32.dll gdi32.dll comctl32.dll imm32.dll winmm.dll ddraw.dll dsound.dll dinput.dll msvcrt.dll advapi32.dll ole32.dll"
status=0
for dll in $("$objdump" -p "$exe" | awk '/DLL Name:/ {print tolower($3)}'); do
  echo "imports $dll"
  case " $allowed " in *" $dll "*) ;; *) echo "FAIL: $dll is not a Windows DLL"; status=1 ;; esac
done
# The resource directory as "type:id" pairs (3 icon image, 4 menu, 5 dialog, 14 icon group).
resources=$("$objdump" -p "$exe" | sed -n '/The .rsrc Resource Directory section/,$p' |
  sed -nE 's/^[0-9a-f]+   Entry: ID: 0x([0-9a-f]+).*/T \1/p; s/^[0-9a-f]+     Entry: ID: 0x([0-9a-f]+).*/N \1/p' |
  while read -r kind id; do
    if [ "$kind" = T ]; then type=$((16#$id)); else printf '%d:%d ' "$type" $((16#$id)); fi
  done)
echo "resources: $resources"
expected="3:1 3:2 4:101 4:102 5:102 5:103 5:109 5:111 5:112 5:113 14:32512 "
[ "$resources" = "$expected" ] || { echo "FAIL: the resources should be $expected"; status=1; }
exit $status
