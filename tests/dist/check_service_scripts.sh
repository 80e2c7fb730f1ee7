#!/usr/bin/env bash
# Runs the maintainer scripts of the velkar-board package against a stand-in for a running
# systemd, and checks what they do to the service: the installation neither enables nor starts
# it; an upgrade keeps a running board running and restarts it (so that the new program runs),
# whether an administrator enabled it or started it by hand, and leaves a stopped one stopped;
# removal stops it; purge leaves the board's data (/var/lib/velkar-board) alone.
# The stand-in: systemctl and deb-systemd-helper keep the unit's enabled and active states in
# files, deb-systemd-invoke decides as Debian's does (start or restart only a unit that is
# enabled, or active for a restart; stop always), and "/run/systemd/system" in the scripts
# names a scratch folder that exists.
# Usage: check_service_scripts.sh VELKAR_BOARD.deb WORK
set -euo pipefail
trap 'echo "FAIL: line $LINENO: a command failed" >&2' ERR
deb=$1 work=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
rm -rf "$work"
mkdir -p "$work/control" "$work/bin" "$work/run-systemd" "$work/state"
work=$(realpath "$work")
dpkg-deb -e "$deb" "$work/control"
unit=velkar-board.service
for script in postinst prerm postrm; do
  [ -f "$work/control/$script" ] || fail "the package has no $script"
  sed "s|/run/systemd/system|$work/run-systemd|g" "$work/control/$script" >"$work/$script"
done

cat >"$work/bin/systemctl" <<'SH'
#!/bin/sh
# The stand-in's systemctl: is-enabled, is-active, start, stop, restart, daemon-reload.
echo "systemctl $*" >>"$STANDIN/calls"
for last; do :; done
case " $* " in
  *" is-enabled "*) if [ -e "$STANDIN/state/enabled" ]; then echo enabled; else echo disabled; exit 1; fi ;;
  *" is-active "*) [ -e "$STANDIN/state/active" ] ;;
  *" start "*|*" restart "*) [ "$last" = velkar-board.service ] && : >"$STANDIN/state/active"
                             echo "$last" >>"$STANDIN/state/starts" ;;
  *" stop "*) rm -f "$STANDIN/state/active" ;;
  *) ;;
esac
SH
cat >"$work/bin/deb-systemd-helper" <<'SH'
#!/bin/sh
# The stand-in's deb-systemd-helper: the enabled state is a file.
echo "deb-systemd-helper $*" >>"$STANDIN/calls"
[ "$1" = --quiet ] && shift
case "$1" in
  debian-installed|was-enabled) [ -e "$STANDIN/state/enabled" ] ;;
  enable) : >"$STANDIN/state/enabled" ;;
  *) ;;
esac
SH
cat >"$work/bin/deb-systemd-invoke" <<'SH'
#!/bin/sh
# Debian's rule: start only an enabled unit, restart one that is enabled or active.
echo "deb-systemd-invoke $*" >>"$STANDIN/calls"
action=$1 unit=$2
enabled=0 active=0
systemctl --system is-enabled -- "$unit" >/dev/null && enabled=1
systemctl --system --quiet is-active -- "$unit" && active=1
case "$action" in
  start) [ "$enabled" = 1 ] || exit 0 ;;
  restart) [ "$enabled" = 1 ] || [ "$active" = 1 ] || exit 0 ;;
esac
exec systemctl --quiet --system "$action" "$unit"
SH
printf '#!/bin/sh\necho "systemd-sysusers $*" >>"$STANDIN/calls"\n' >"$work/bin/systemd-sysusers"
chmod +x "$work/bin/"*
export STANDIN=$work PATH=$work/bin:$PATH
unset DPKG_ROOT

# state ENABLED ACTIVE: sets the unit's states (1 or 0).
state() {
  rm -f "$work/state/"*
  [ "$1" = 0 ] || : >"$work/state/enabled"
  [ "$2" = 0 ] || : >"$work/state/active"
  : >"$work/calls"
}
active() { [ -e "$work/state/active" ]; }
restarted() { [ -s "$work/state/starts" ]; }

# A first installation: the user made, the unit neither enabled nor started.
state 0 0
sh -e "$work/postinst" configure ""
grep -q '^systemd-sysusers .*velkar-board.conf' "$work/calls" || fail "postinst does not make the user"
! active || fail "the first installation starts the board"
[ ! -e "$work/state/enabled" ] || fail "the first installation enables the board"

# Upgrades (the old version's prerm, then the new version's postinst, as dpkg runs them; the old
# one is this package's too).
for enabled in 1 0; do
  state "$enabled" 1
  sh -e "$work/prerm" upgrade 1.05
  active || fail "prerm upgrade stops a running board (enabled: $enabled)"
  sh -e "$work/postinst" configure 1.04
  active || fail "an upgrade leaves a board stopped that was running (enabled: $enabled)"
  restarted || fail "an upgrade does not restart a running board (enabled: $enabled): $(cat "$work/calls")"
done
state 0 0
sh -e "$work/prerm" upgrade 1.05
sh -e "$work/postinst" configure 1.04
! active || fail "an upgrade starts a board that was stopped and not enabled"

# Removal stops a running board.
state 1 1
sh -e "$work/prerm" remove
! active || fail "removal leaves the board running: $(cat "$work/calls")"
sh -e "$work/postrm" remove

# Purge keeps the board's data: no maintainer script removes it.
if grep -n 'var/lib/velkar-board' "$work/control/postrm" "$work/control/prerm" "$work/control/postinst"; then
  fail "a maintainer script touches /var/lib/velkar-board"
fi
echo "PASS: velkar-board's maintainer scripts: not started on installation, restarted by upgrades when running, stopped on removal, data kept on purge"
