#!/usr/bin/env bash
# The Debian package as a user meets it: lintian finds no error, apt-get
# installs it with its dependencies, the installed program runs on its demo
# drives, the reader has its capabilities, the unit verifies and is not
# enabled, and a purge leaves nothing behind. Needs root (it installs).
#   bash debian_package.sh taruk_VERSION_ARCH.deb
set -euo pipefail
deb=$(realpath "$1")
if [ "$(id -u)" != 0 ]; then echo "skipped: installing a package needs root"; exit 0; fi
if dpkg -s taruk >/dev/null 2>&1; then echo "skipped: taruk is installed on this machine already"; exit 0; fi
fail() { echo "FAILED: $*"; exit 1; }
export DEBIAN_FRONTEND=noninteractive
apt_get() { apt-get -o DPkg::Lock::Timeout=900 -y -q "$@"; }

status=0
lintian_out=$(lintian --fail-on error "$deb") || status=$?
echo "$lintian_out"
[ "$status" = 0 ] || fail "lintian found errors"
# taruk has its manual page: a tag about it means the page is missing, or
# installed in a form man can't read.
! grep -E 'no-manual-page \[usr/bin/taruk\]|manpage-|groff-message' <<<"$lintian_out" || fail "lintian on the manual page"
echo "lintian: no errors, the manual page accepted"

purged=
trap '[ -n "$purged" ] || apt_get purge taruk >/dev/null 2>&1 || true' EXIT
apt_get install --no-install-recommends "$deb" >/dev/null
taruk --version
if command -v man >/dev/null; then
  LC_ALL=C.UTF-8 man -P cat taruk 2>/dev/null | grep -q -- '--set NAME=VALUE' || fail "man taruk does not show the page"
fi
report=$(taruk --report --replay /usr/share/taruk/demo)
grep -q '^HD1: ST3160023A' <<<"$report" || fail "no demo report: $report"
getcap /usr/libexec/taruk/taruk-smart-reader | grep -q 'cap_dac_read_search,cap_sys_rawio,cap_sys_admin=ep' \
  || fail "the reader has no capabilities: $(getcap /usr/libexec/taruk/taruk-smart-reader)"
getent passwd taruk >/dev/null || fail "no service user"
for file in /usr/bin/alarm.wav /usr/share/applications/taruk.desktop /usr/share/icons/hicolor/scalable/apps/taruk.svg \
            /usr/share/taruk/prometheus/taruk-rules.yml /usr/lib/systemd/system/taruk.service \
            /usr/share/man/man1/taruk.1.gz; do
  [ -e "$file" ] || fail "not installed: $file"
done
# The monitor's programs and modules, which taruk finds in /usr/libexec/taruk.
for file in taruk-headless taruk-window taruk-sound.so taruk-metrics-http.so taruk-dbus.so taruk-secret.so taruk-tls.so; do
  [ -e "/usr/libexec/taruk/$file" ] || fail "not installed: /usr/libexec/taruk/$file"
done
appdata=$(mktemp -d)
APPDATA=$appdata taruk --headless --once --replay /usr/share/taruk/demo 2>"$appdata/err" \
  || fail "taruk --headless --once: $(cat "$appdata/err")"
rm -rf "$appdata"
systemd-analyze verify /usr/lib/systemd/system/taruk.service || fail "systemd-analyze verify"
[ "$(systemctl is-enabled taruk.service 2>/dev/null || true)" = disabled ] || fail "the unit is enabled"
command -v promtool >/dev/null && promtool check rules /usr/share/taruk/prometheus/taruk-rules.yml >/dev/null

# An administrator enables the service (as systemctl enable would): purge
# takes that back too.
ln -s /usr/lib/systemd/system/taruk.service /etc/systemd/system/multi-user.target.wants/taruk.service
installed=$(dpkg -L taruk)
apt_get purge taruk >/dev/null
purged=1
left=""
while read -r path; do
  [ -d "$path" ] && [ ! -L "$path" ] && continue  # folders shared with other packages
  [ -e "$path" ] || [ -L "$path" ] && left+=" $path"
done <<<"$installed"
for path in /usr/share/taruk /usr/libexec/taruk /usr/share/doc/taruk /var/lib/taruk \
            /etc/systemd/system/multi-user.target.wants/taruk.service; do
  [ -e "$path" ] || [ -L "$path" ] && left+=" $path"
done
getent passwd taruk >/dev/null && left+=" user:taruk"
getent group taruk >/dev/null && left+=" group:taruk"
[ -z "$left" ] || fail "left after purge:$left"
echo "passed: installed, ran, purged without a trace"
