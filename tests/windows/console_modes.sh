#!/usr/bin/env bash
# taruk.exe's console modes under Wine, against the Linux taruk: the JSON
# report of the demo captures byte for byte, captures with either line end,
# the headless monitor's log lines, the sound beside the executable, the
# metrics file, and live drives that Wine cannot read. No power action is
# ever set here: those reach the real system calls.
#   bash console_modes.sh PATH/TO/taruk.exe BUILD_DIR
# The Linux taruk: $TARUK_LINUX_BINARY, or the first of build/{debug,headless,release}/taruk.
set -euo pipefail
exe=$1
top=$(cd "$(dirname "$0")/../.." && pwd)
demo=$top/data/demo
skip() { echo "skipped: $*"; exit 77; }
command -v wine >/dev/null || skip "wine is not installed"

linux=${TARUK_LINUX_BINARY:-}
for candidate in "$top"/build/{debug,headless,release}/taruk; do
  [ -z "$linux" ] && [ -x "$candidate" ] && linux=$candidate
done
[ -n "$linux" ] || skip "no Linux taruk to compare with (build it, or set TARUK_LINUX_BINARY)"

export WINEPREFIX=${WINEPREFIX:-$HOME/.wine} WINEDEBUG=-all
work=$(mktemp -d)
# The prefix's own settings file (Wine sets APPDATA itself), kept aside.
settings_file=$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Taruk/conf.dat
[ -e "$settings_file" ] && cp "$settings_file" "$work/conf.dat.saved"
cleanup() {
  if [ -e "$work/conf.dat.saved" ]; then cp "$work/conf.dat.saved" "$settings_file"; else rm -f "$settings_file"; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# An ALSA null device, so that a sound plays without a sound card.
mkdir "$work/home"
printf 'pcm.!default { type null }\nctl.!default { type null }\n' >"$work/home/.asoundrc"
win() { HOME=$work/home WINEDLLOVERRIDES="winemenubuilder.exe=d;winepulse.drv=d" wine "$@"; }
settings() {
  mkdir -p "$(dirname "$settings_file")" "$work/appdata/Taruk"
  printf '%s' "$*" >"$settings_file"
  printf '%s' "$*" >"$work/appdata/Taruk/conf.dat"
}
lnx() { APPDATA=$work/appdata "$linux" "$@"; }

# 0. --help offers only what the build can do: no --metrics-listen on Windows.
win "$exe" --help >"$work/help.txt" || fail "wine --help"
grep -q -- '--metrics-file PATH' "$work/help.txt" || fail "--help lacks --metrics-file"
! grep -q -- '--metrics-listen' "$work/help.txt" || fail "--help on Windows offers --metrics-listen"
lnx --help | grep -q -- '--metrics-listen HOST:PORT' || fail "--help on Linux lacks --metrics-listen"

# 1. The report of the demo drives, and of the same captures with Windows
# line ends, is the checked-in Linux report byte for byte on both systems.
cp -r "$demo" "$work/crlf"
sed -i 's/$/\r/' "$work/crlf"/*
for dir in "$demo" "$work/crlf"; do
  win "$exe" --report --json --replay "Z:$dir" >"$work/wine.json" 2>"$work/err" || fail "wine --report --json: $(cat "$work/err")"
  cmp "$top/tests/data/demo-report.json" "$work/wine.json" || fail "JSON report under Wine differs ($dir)"
  lnx --report --json --replay "$dir" >"$work/linux.json"
  cmp "$top/tests/data/demo-report.json" "$work/linux.json" || fail "JSON report on Linux differs ($dir)"
done
win "$exe" --report --replay "Z:$demo" >"$work/wine.txt"
lnx --report --replay "$demo" >"$work/linux.txt"
cmp "$work/linux.txt" "$work/wine.txt" || fail "text report differs: $(diff "$work/linux.txt" "$work/wine.txt" | head)"

# Captures written under Wine (the demo drives, through the writer of
# --capture, which has no live drive to read under Wine) replay on Linux.
TARUK_CAPTURE_OUT="Z:$work/wine-captures" win "$2/taruk_win32_tests.exe" --gtest_filter='Win32Capture.*' >"$work/out" 2>&1 ||
  fail "writing captures under Wine: $(cat "$work/out")"
lnx --report --json --replay "$work/wine-captures" >"$work/linux.json"
cmp "$top/tests/data/demo-report.json" "$work/linux.json" || fail "captures written under Wine replay differently on Linux"

# 2. --headless --once logs the same actions as on Linux: balloons (a line
# on Windows), the alert e-mail's outcome, the sound.
log_lines() { tr -d '\r' <"$1" | grep '^taruk: ' | sed 's/\(sent, server answered: [0-9]*\).*/\1/'; }
for values in "60 55 1 0 0 admin@example.org 127.0.0.1" "60 55 6 0 0 admin@example.org 127.0.0.1" \
  "60 55 0 1 999999 admin@example.org 127.0.0.1"; do
  settings "$values"
  win "$exe" --headless --once --replay "Z:$demo" 2>"$work/wine.err" || fail "wine --headless --once ($values): $(cat "$work/wine.err")"
  lnx --headless --once --replay "$demo" 2>"$work/linux.err" || fail "--headless --once ($values) on Linux"
  log_lines "$work/linux.err" >"$work/linux.lines"
  log_lines "$work/wine.err" >"$work/wine.lines"
  [ -s "$work/linux.lines" ] || fail "no action logged on Linux ($values)"
  diff -u "$work/linux.lines" "$work/wine.lines" || fail "headless lines differ ($values)"
done

# 3. The sound beside the executable: played through the null device; in a
# folder without it, the reason is logged.
settings "60 55 5 0 0 admin@example.org 127.0.0.1"
win "$exe" --headless --once --replay "Z:$demo" 2>"$work/wine.err" || fail "sound: $(cat "$work/wine.err")"
grep -Eq '^taruk: played .*\\alarm\.wav$' "$work/wine.err" || fail "alarm.wav not played: $(cat "$work/wine.err")"
mkdir "$work/bare"
cp "$exe" "$work/bare/"
win "$work/bare/$(basename "$exe")" --headless --once --replay "Z:$demo" 2>"$work/wine.err" || fail "bare: exit $?"
grep -Eq '^taruk: Error: .*\\alarm\.wav: .+' "$work/wine.err" || fail "no reason for a missing alarm.wav: $(cat "$work/wine.err")"

# 4. The metrics file is written; the listener is refused as a usage error.
settings "60 55 0 0 0 admin@example.org 127.0.0.1"
win "$exe" --headless --once --replay "Z:$demo" --metrics-file "Z:$work/metrics.prom" 2>"$work/wine.err"
grep -q '^taruk_drive_temperature_celsius{' "$work/metrics.prom" || fail "metrics file: $(head -c 300 "$work/metrics.prom")"
status=0
win "$exe" --headless --metrics-listen 127.0.0.1:9717 2>"$work/wine.err" || status=$?
[ "$status" = 2 ] && grep -q 'not available on Windows' "$work/wine.err" || fail "--metrics-listen: exit $status"

# Settings from the command line: --set writes conf.dat (code page 1251
# and digit groups included) and taruk.toml byte for byte as on Linux,
# --settings lists the same values, and a character outside the code page is
# refused there too, with nothing written.
mkdir "$work/wine-set" "$work/linux-set"
sets=(--set poll.interval=30 --set freespace.minimum=5000 --set mail.address=$'\xd0\xbf\xd1\x91\xd1\x82\xd1\x80@example.org'
      --set health.action=email --set mail.port=587)
LC_ALL=C.UTF-8 win "$exe" "${sets[@]}" --config-dir "Z:$work/wine-set" 2>"$work/wine.err" || fail "--set: $(cat "$work/wine.err")"
lnx "${sets[@]}" --config-dir "$work/linux-set" || fail "--set on Linux"
cmp "$work/linux-set/conf.dat" "$work/wine-set/conf.dat" || fail "--set: conf.dat differs: $(od -c "$work/wine-set/conf.dat")"
cmp "$work/linux-set/taruk.toml" "$work/wine-set/taruk.toml" || fail "--set: taruk.toml differs"
values() { tr -d '\r' | grep -v '^conf.dat:\|^taruk.toml:\|^mail.password'; }
LC_ALL=C.UTF-8 win "$exe" --settings --config-dir "Z:$work/wine-set" | values >"$work/wine.settings"
lnx --settings --config-dir "$work/linux-set" | values >"$work/linux.settings"
diff -u "$work/linux.settings" "$work/wine.settings" || fail "--settings differs"
cp "$work/wine-set/conf.dat" "$work/conf.before"
status=0
LC_ALL=C.UTF-8 win "$exe" --set mail.server=$'\xc3\xbc.example.org' --config-dir "Z:$work/wine-set" 2>"$work/wine.err" || status=$?
[ "$status" = 2 ] && grep -q 'U+00FC' "$work/wine.err" || fail "a character outside code page 1251: exit $status: $(cat "$work/wine.err")"
cmp -s "$work/conf.before" "$work/wine-set/conf.dat" || fail "refused, but written"

# 5. On its timer the alarm repeats every second; Ctrl+C (Wine turns SIGINT
# into the console's notice) ends the monitor, which leaves the settings file
# as it is on the disk: an edit made meanwhile stays.
settings "1 55 1 0 0 admin@example.org 127.0.0.1"
HOME=$work/home wine "$exe" --headless --replay "Z:$demo" 2>"$work/timer.err" &
monitor=$!
for ((i = 0; i < 300; i++)); do
  [ "$(grep -c 'Critical temperature reached' "$work/timer.err")" -ge 3 ] && break
  sleep 0.1
done
[ "$i" -lt 300 ] || { kill "$monitor"; fail "the alarm did not repeat on the timer: $(cat "$work/timer.err")"; }
settings "30 50 1 0 0 edited@example.org 127.0.0.1"
kill -INT "$monitor"
status=0; wait "$monitor" || status=$?
[ "$status" = 0 ] || fail "Ctrl+C ended the monitor with $status"
[ "$(cat "$settings_file" 2>/dev/null)" = "30 50 1 0 0 edited@example.org 127.0.0.1" ] ||
  fail "the settings edited while the monitor ran were written over on Ctrl+C"

# 6. Live drives, which Wine cannot read: a reason per drive and no crash;
# nothing captured; and the window, with no desktop to open on, names the
# mode that runs without one.
status=0
win "$exe" --report >"$work/live.txt" 2>"$work/wine.err" || status=$?
# A report without a drive exits 1 and says so.
if grep -q '^HD' "$work/live.txt"; then
  [ "$status" = 0 ] || fail "--report on live drives: exit $status"
else
  [ "$status" = 1 ] || fail "--report without a drive: exit $status, expected 1"
  tr -d '\r' <"$work/wine.err" | grep -qx 'taruk: no drive answered' || fail "--report without a drive did not say so"
fi
[ "$(tr -d '\r' <"$work/wine.err" | grep -c '^taruk: .')" -ge 1 ] || fail "--report on live drives gave no reason"
# Whatever --capture wrote (Wine's disk opens, but answers no S.M.A.R.T.
# request) replays the same on Linux as under Wine.
status=0
win "$exe" --capture "Z:$work/captured" >"$work/out" 2>"$work/wine.err" || status=$?
case $status in
  0)
    # Exit 1 when the captured disk gives no drive (no size): the same on both.
    wine_status=0 linux_status=0
    win "$exe" --report --json --replay "Z:$work/captured" >"$work/wine.json" 2>/dev/null || wine_status=$?
    lnx --report --json --replay "$work/captured" >"$work/linux.json" 2>/dev/null || linux_status=$?
    [ "$wine_status" -le 1 ] || fail "captured under Wine: no replay there (exit $wine_status)"
    [ "$wine_status" = "$linux_status" ] || fail "captured under Wine: exit $wine_status there, $linux_status on Linux"
    cmp "$work/wine.json" "$work/linux.json" || fail "captured under Wine: replayed differently on Linux"
    ;;
  1) grep -q 'nothing captured' "$work/wine.err" || fail "--capture: $(cat "$work/wine.err")" ;;
  *) fail "--capture on live drives: exit $status: $(cat "$work/wine.err")" ;;
esac
status=0
win "$exe" 2>"$work/wine.err" || status=$?
[ "$status" = 1 ] && grep -q 'taruk --headless runs the monitor without a window' "$work/wine.err" ||
  fail "window command: exit $status: $(cat "$work/wine.err")"
echo "console modes under Wine: all checks passed"
