#!/usr/bin/env bash
# VELKAR.exe must be a GUI program of the build's format (PE32 i386, or PE32+ x86-64 for the
# 64-bit build) that imports only Windows' own DLLs.
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
exit $status
