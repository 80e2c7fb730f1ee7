#!/usr/bin/env bash
# VELKAR.exe must be a 32-bit (i386) GUI program that imports only Windows' own DLLs.
set -euo pipefail
exe=$1
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
description=$(file -b "$exe")
echo "$description"
case "$description" in
  "PE32 executable (GUI) Intel 80386"*) ;;
  *) echo "FAIL: not a PE32 i386 GUI executable"; exit 1 ;;
esac
allowed="kernel32.dll user32.dll gdi32.dll comctl32.dll imm32.dll winmm.dll ddraw.dll dsound.dll dinput.dll msvcrt.dll advapi32.dll ole32.dll"
status=0
for dll in $("$objdump" -p "$exe" | awk '/DLL Name:/ {print tolower($3)}'); do
  echo "imports $dll"
  case " $allowed " in *" $dll "*) ;; *) echo "FAIL: $dll is not a Windows DLL"; status=1 ;; esac
done
exit $status
