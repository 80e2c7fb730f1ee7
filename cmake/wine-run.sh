#!/usr/bin/env bash
# Runs a cross-built Windows program under 32-bit Wine: used as CMake's cross-compiling emulator.
# A booted prefix is kept in VELKAR_WINE_DIR/base and copied once to VELKAR_WINE_DIR/run, where the
# programs run; delete VELKAR_WINE_DIR to start from a freshly booted prefix.
set -euo pipefail

wine_dir=${VELKAR_WINE_DIR:-${TMPDIR:-/tmp}/velkar-wine-$(id -u)}
mkdir -p "$wine_dir"
wine_dir=$(cd "$wine_dir" && pwd)

export WINEARCH=win32
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
  if [ ! -f "$wine_dir/base/.booted" ]; then
    rm -rf "$wine_dir/base"
    WINEPREFIX=$wine_dir/base wineboot -i </dev/null >/dev/null 2>&1
    # Headless: windows and dialogs exist and can be driven, nothing is shown.
    WINEPREFIX=$wine_dir/base wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f \
      </dev/null >/dev/null 2>&1
    WINEPREFIX=$wine_dir/base wineserver -w
    touch "$wine_dir/base/.booted"
  fi
  if [ -z "${WINEPREFIX:-}" ] && [ ! -f "$wine_dir/run/.booted" ]; then
    rm -rf "$wine_dir/run"
    cp -a "$wine_dir/base" "$wine_dir/run"
  fi
) 9>"$wine_dir/.lock"

export WINEPREFIX=${WINEPREFIX:-$wine_dir/run}

# A persistent wineserver and a first throwaway process with its output on /dev/null: otherwise
# Wine's helper processes inherit the caller's pipes and every run waits for them to time out.
wineserver -p60 </dev/null >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1 || true

exec wine "$@"
