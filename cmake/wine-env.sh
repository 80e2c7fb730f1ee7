# Sourced by the Wine scripts: chooses the Wine that runs a Windows program.
#   velkar_wine_arch FILE   prints win64 for a PE32+ program, win32 for a PE32 one, and the
#                           value of VELKAR_WINE_ARCH (default win64) for anything else
#   velkar_wine_setup ARCH  exports WINEARCH, WINELOADER, WINESERVER and VELKAR_WINE (the loader)
# The 64-bit loader is called directly: the `wine` and `wineboot` wrappers pick the 32-bit loader
# whenever 32-bit Wine is installed, even on machines whose kernel cannot run it.

velkar_wine_arch() {
  local format=""
  [ -f "$1" ] && format=$(file -b "$1" 2>/dev/null)
  case "$format" in
    PE32+*) echo win64 ;;
    PE32*) echo win32 ;;
    *) echo "${VELKAR_WINE_ARCH:-win64}" ;;
  esac
}

velkar_wine_setup() {
  case "$1" in
    win64)
      export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64 ;;
    win32)
      export WINEARCH=win32 WINELOADER=/usr/lib/wine/wine WINESERVER=/usr/lib/wine/wineserver32 ;;
    *) echo "wine-env: unknown Wine architecture '$1'" >&2; return 2 ;;
  esac
  VELKAR_WINE=$WINELOADER
  if [ ! -x "$VELKAR_WINE" ] || [ ! -x "$WINESERVER" ]; then
    echo "wine-env: $VELKAR_WINE or $WINESERVER is missing (scripts/deps win32 installs them)" >&2
    return 1
  fi
}
