# Sourced by the scripts that run VELKAR.exe under Wine. Before sourcing, set `exe` (the program)
# and `work` (a scratch folder the caller removes) and define `fail MESSAGE`. It gives:
#   the Wine of the program's format (wine-env.sh), with `arch` and `runner` set;
#   what the Linux end-to-end scripts share for driving windows (../e2e/x_test_lib.sh): wait_for,
#   find_window, wait_window, take_focus, visible_windows, popup_shown, press...
#   need_xorg TOOL...             exit 77 (skipped, saying why) where Xorg's dummy driver or a
#                                 tool cannot be had
#   start_xorg FIRST MODE...      a private Xorg server with real 60 Hz modes (the dummy driver)
#                                 on the first free display from FIRST on: DISPLAY and xorg_pid
#   private_prefix [x11]          a copy of the booted prefix in $work/prefix, with the X11
#                                 driver instead of the null one when asked; exports WINEPREFIX,
#                                 ALSA_CONFIG_PATH, the program's trace to Wine's debug channel
# shellcheck shell=bash
wine_test_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
runner=$wine_test_here/../../cmake/wine-run.sh
# shellcheck source=../e2e/x_test_lib.sh
. "$wine_test_here/../e2e/x_test_lib.sh"
# shellcheck source=../../cmake/wine-env.sh
. "$wine_test_here/../../cmake/wine-env.sh"
arch=$(velkar_wine_arch "$exe")
velkar_wine_setup "$arch" || exit 1
echo "Wine: $arch ($VELKAR_WINE)"

need_xorg() {
  local tool
  for tool in Xorg xrandr "$@"; do
    command -v "$tool" >/dev/null || { echo "skip: $tool missing"; exit 77; }
  done
  [ "$(id -u)" = 0 ] || { echo "skip: Xorg with the dummy driver needs root here"; exit 77; }
  [ -f /usr/lib/xorg/modules/drivers/dummy_drv.so ] || { echo "skip: no dummy video driver"; exit 77; }
}

start_xorg() {
  local first=$1
  shift
  # Each mode's clock is htotal x vtotal x 60, so DirectDraw sees real 60 Hz modes.
  cat >"$work/xorg.conf" <<CONF
Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "AutoAddGPU" "false"
EndSection
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 65536
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 20.0-90.0
  VertRefresh 50.0-70.0
  Modeline "640x480" 25.2 640 656 752 800 480 490 492 525 -hsync -vsync
  Modeline "800x600" 39.79008 800 840 968 1056 600 601 605 628 +hsync +vsync
  Modeline "1024x768" 64.99584 1024 1048 1184 1344 768 771 777 806 -hsync -vsync
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Modes $(printf '"%s" ' "$@")
    Virtual 1024 768
  EndSubSection
EndSection
CONF
  free_display "$first"
  Xorg "$display" -config "$work/xorg.conf" -configdir "$work/none" -noreset -nolisten tcp \
    -logfile "$work/x.log" >/dev/null 2>&1 &
  xorg_pid=$!
  export DISPLAY=$display
  wait_for 30 xrandr_answers || fail "Xorg did not start"
}
xrandr_answers() { xrandr >/dev/null 2>&1; }

private_prefix() {
  VELKAR_WINE_ARCH=$arch "$runner" cmd /c exit </dev/null >/dev/null 2>&1 || true
  wine_dir=${VELKAR_WINE_DIR:-${TMPDIR:-/tmp}/velkar-wine-$(id -u)}
  [ -f "$wine_dir/$arch/base/.booted" ] || fail "the $arch Wine prefix did not boot"
  cp -a "$wine_dir/$arch/base" "$work/prefix"
  # No wineserver runs for the copy yet, so its registry file can be edited directly.
  [ "${1:-}" = x11 ] && sed -i '/^"Graphics"="null"$/d' "$work/prefix/user.reg"
  export WINEPREFIX=$work/prefix WINEDEBUG=-all,+debugstr VELKAR_TRACE=1
  export ALSA_CONFIG_PATH=$wine_dir/asound.conf LANG=C.UTF-8 LC_ALL=C.UTF-8
}
