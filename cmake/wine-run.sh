#!/usr/bin/env bash
# Runs a cross-built Windows program under Wine: used as CMake's cross-compiling emulator. A PE32+
# program runs under 64-bit Wine, a PE32 one under 32-bit Wine (VELKAR_WINE_ARCH decides for
# commands such as `cmd`). A booted prefix per architecture is kept in VELKAR_WINE_DIR/ARCH/base
# and copied once to VELKAR_WINE_DIR/ARCH/run, where the programs run; delete VELKAR_WINE_DIR to
# start from freshly booted prefixes.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"

arch=$(velkar_wine_arch "${1:-}")
velkar_wine_setup "$arch"

wine_dir=${VELKAR_WINE_DIR:-${TMPDIR:-/tmp}/velkar-wine-$(id -u)}
mkdir -p "$wine_dir/$arch"
wine_dir=$(cd "$wine_dir" && pwd)
prefixes=$wine_dir/$arch

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# No sound card here: ALSA's null device lets DirectSound open a real (silent) output.
if [ ! -f "$wine_dir/asound.conf" ]; then
  printf 'pcm.!default { type null }\nctl.!default { type null }\n' >"$wine_dir/asound.conf"
fi
export ALSA_CONFIG_PATH=$wine_dir/asound.conf

# Boot the base prefix and make the run copy only once, even when ctest starts several runs at once.
(
  flock 9
  if [ ! -f "$prefixes/base/.booted" ]; then
    rm -rf "$prefixes/base"
    WINEPREFIX=$prefixes/base "$VELKAR_WINE" wineboot -i </dev/null >/dev/null 2>&1
    # Headless: windows and dialogs exist and can be driven, nothing is shown.
    WINEPREFIX=$prefixes/base "$VELKAR_WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics \
      /d null /f </dev/null >/dev/null 2>&1
    WINEPREFIX=$prefixes/base "$WINESERVER" -w
    if ! grep -q '"Graphics"="null"' "$prefixes/base/user.reg" 2>/dev/null; then
      echo "wine-run: the $arch Wine prefix did not boot ($VELKAR_WINE)" >&2
      exit 1
    fi
    touch "$prefixes/base/.booted"
  fi
  if [ -z "${WINEPREFIX:-}" ] && [ ! -f "$prefixes/run/.booted" ]; then
    rm -rf "$prefixes/run"
    cp -a "$prefixes/base" "$prefixes/run"
  fi
) 9>"$prefixes/.lock"

export WINEPREFIX=${WINEPREFIX:-$prefixes/run}

# A persistent wineserver and a first throwaway process with its output on /dev/null: otherwise
# Wine's helper processes inherit the caller's pipes and every run waits for them to time out.
"$WINESERVER" -p60 </dev/null >/dev/null 2>&1 || true
"$VELKAR_WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true

exec "$VELKAR_WINE" "$@"
