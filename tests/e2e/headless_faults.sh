#!/usr/bin/env bash
# taruk --headless under faults. Drive and volumes problems are logged in
# --report's words, once as they start and once as they clear. A stop signal
# (SIGTERM, SIGINT, SIGHUP) that comes while an alarm e-mail waits on a silent
# server (as root: a real listener on a loopback address, port 25) ends the
# wait at once, starts no new cycle, leaves the settings file as it is on the
# disk (an edit made meanwhile stays) and exits 0. The time
# from signal to exit is printed, not judged.
#   bash headless_faults.sh PATH/TO/taruk BUILD_DIR
set -euo pipefail
taruk=$1
top=$(cd "$(dirname "$0")/../.." && pwd)
demo=$top/data/demo

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; echo "--- stderr of taruk:"; cat "$work/stderr" 2>/dev/null || true; exit 1; }
wait_for() {  # wait_for SECONDS COMMAND...
  local limit=$(($1 * 10)); shift
  for ((i = 0; i < limit; i++)); do "$@" && return 0; sleep 0.1; done
  return 1
}
lines() { grep -cxF "$1" "$work/stderr" || true; }
matching() { grep -cxE "$1" "$work/stderr" || true; }

export APPDATA=$work/appdata
mkdir -p "$APPDATA/Taruk"
settings() { printf '%s' "$*" >"$APPDATA/Taruk/conf.dat"; }
saved() { cat "$APPDATA/Taruk/conf.dat" 2>/dev/null || echo "<missing>"; }

# 1. --once with a malformed capture: --report's words, and exit 2 as it.
dir=$work/bad
mkdir "$dir"
cp "$demo/drive0.capture" "$demo/volumes" "$dir/"
printf 'geometry 1 x\n' >"$dir/drive2.capture"
settings "60 55 0 0 0 admin@example.org 127.0.0.1"
status=0; "$taruk" --report --replay "$dir" >/dev/null 2>"$work/report" || status=$?
[ "$status" = 2 ] || fail "--report exited with $status"
status=0; "$taruk" --headless --once --replay "$dir" 2>"$work/stderr" || status=$?
[ "$status" = 2 ] || fail "--headless --once with a bad capture exited with $status"
diff "$work/report" "$work/stderr" || fail "--headless --once did not say what --report says"

# 2. The service's settings changed from the command line: taruk --set
# writes into the folder given with --config-dir, the monitor started as the
# unit starts it (XDG_CONFIG_HOME=/var/lib/taruk) acts on them, and input
# conf.dat can't hold is refused with nothing written.
service=$work/service
mkdir -p "$service/Taruk"
hot=$work/hot-setting
mkdir "$hot"
cp "$demo/drive1.capture" "$hot/drive0.capture"  # 57 °C, in caution
set_service() { "$taruk" "$@" --config-dir "$service/Taruk" 2>"$work/stderr"; }
set_service --set temperature.critical=58 --set temperature.action=notification --set health.action=none \
  --set mail.port=587 || fail "--set exited with $?"
[ "$(cat "$service/Taruk/conf.dat")" = "60 58 1 0 0 taruk@example.invalid smtp.example.invalid 0" ] ||
  fail "--set wrote: $(cat "$service/Taruk/conf.dat")"
[ "$(cat "$service/Taruk/taruk.toml")" = $'[mail]\nport = 587' ] || fail "--set wrote: $(cat "$service/Taruk/taruk.toml")"
[ "$(saved)" = "60 55 0 0 0 admin@example.org 127.0.0.1" ] || fail "--config-dir: the user's own file changed"
set_service --settings >"$work/listing" || fail "--settings exited with $?"
grep -qx "conf.dat: *$service/Taruk/conf.dat" "$work/listing" || fail "--settings: no conf.dat path"
grep -qx "temperature.critical=58 *conf.dat" "$work/listing" || fail "--settings: $(cat "$work/listing")"
grep -qx "mail.port=587 *taruk.toml" "$work/listing" || fail "--settings: $(cat "$work/listing")"
service_once() {
  env -u APPDATA -u DBUS_SESSION_BUS_ADDRESS XDG_CONFIG_HOME="$service" \
    "$taruk" --headless --once --replay "$hot" 2>"$work/stderr" || fail "--headless --once exited with $?"
}
service_once
[ -s "$work/stderr" ] && fail "a drive at 57 °C alarmed at a critical 58 °C"
cp "$service/Taruk/conf.dat" "$work/conf.before"
status=0; set_service --set temperature.critical=57 --set mail.address=$'\xc3\xbc@example.org' || status=$?
[ "$status" = 2 ] || fail "a character outside code page 1251: exit $status"
grep -q "mail.address=.*U+00FC.*nothing was written" "$work/stderr" || fail "no reason given: $(cat "$work/stderr")"
cmp -s "$work/conf.before" "$service/Taruk/conf.dat" || fail "refused, but written"
status=0; set_service --set temperature.critical=101 || status=$?
[ "$status" = 2 ] || fail "critical 101: exit $status"
grep -q "Wrong critical temperature! It must be in range 1 - 100 !" "$work/stderr" || fail "$(cat "$work/stderr")"
set_service --set temperature.critical=57 || fail "--set exited with $?"
service_once
grep -qx "taruk: notification: HD0: ST3160023A Critical temperature reached (57 °C)" "$work/stderr" ||
  fail "the monitor did not act on the critical temperature --set wrote"

# 3. On the timer: a capture garbled, mended and removed, the volumes file
# garbled and removed while the monitor runs. Each problem is logged once when
# it starts and, when it clears, once more.
dir=$work/live
mkdir "$dir"
cp "$demo/drive0.capture" "$demo/volumes" "$dir/"
settings "1 99 0 0 1 admin@example.org 127.0.0.1"
"$taruk" --headless --replay "$dir" 2>"$work/stderr" &
monitor=$!
pids+=("$monitor")
bad_capture="taruk: $dir/drive0.capture:1: expected device-map, geometry, power-mode, enable, identify, smart-data, smart-thresholds, smart-log, interface, scsi-answer, usb-bridge, bridge-answer, bridge-sent or an nvme- keyword, found 'garbage'"
bad_volumes="taruk: $dir/volumes:1: expected a root and its free bytes, such as '/home 1234567'"
no_volumes="taruk: $dir/volumes: cannot read: no such file"
step() {  # step EXPECTED_LINE: it appears, and two more cycles do not repeat it
  wait_for 10 grep -qxF "$1" "$work/stderr" || fail "never logged: $1"
  sleep 2.2
}
sleep 1.2
cp "$dir/drive0.capture" "$work/drive0.capture"
echo garbage >"$dir/drive0.capture"
step "$bad_capture"
cp "$work/drive0.capture" "$dir/drive0.capture"
step "taruk: cleared: ${bad_capture#taruk: }"
rm "$dir/drive0.capture"
step "taruk: drive 0 no longer opens; its last values are kept"
echo garbage >"$dir/volumes"
step "$bad_volumes"
rm "$dir/volumes"
step "$no_volumes"
cp "$demo/volumes" "$dir/volumes"
step "taruk: cleared: ${no_volumes#taruk: }"
kill -TERM "$monitor"
wait "$monitor" || fail "SIGTERM ended the monitor with $?"
for line in "$bad_capture" "taruk: cleared: ${bad_capture#taruk: }" "taruk: drive 0 no longer opens; its last values are kept" \
  "$bad_volumes" "$no_volumes" "taruk: cleared: ${no_volumes#taruk: }"; do
  [ "$(lines "$line")" = 1 ] || fail "logged $(lines "$line") times, not once: $line"
done
[ "$(wc -l <"$work/stderr")" = 6 ] || fail "more was logged than the six problem lines"

# 4. Stop signals while the e-mail action waits on a server that accepts and
# never says a word.
if [ "$(id -u)" != 0 ] || [ ! -x /usr/bin/python3 ]; then
  echo "note: stop signals during a mail wait not checked (needs root for port 25, and /usr/bin/python3)"
  echo "headless faults: all checks passed"
  exit 0
fi
listener() {  # a silent SMTP server on $1 port 25; each connection it accepts adds a line to $2
  # exec: the PID that was started is the server's own.
  exec /usr/bin/python3 - "$1" "$2" <<'EOF' 2>/dev/null
import socket, sys
server = socket.socket()
server.bind((sys.argv[1], 25))
server.listen(16)
open(sys.argv[2], "w").close()
held = []
while True:
    connection, _ = server.accept()
    held.append(connection)
    with open(sys.argv[2], "a") as accepted:
        accepted.write("accepted\n")
EOF
}
for ((try = 0; try < 10; try++)); do
  host=127.$((RANDOM % 200 + 20)).$((RANDOM % 250 + 1)).$((RANDOM % 250 + 1))
  rm -f "$work/accepted"
  listener "$host" "$work/accepted" &
  server=$!
  pids+=("$server")
  wait_for 5 test -e "$work/accepted" && break
  server=""
done
[ -n "${server:-}" ] || fail "no loopback address took a listener on port 25"

hot=$work/hot
mkdir "$hot"
cp "$demo/drive1.capture" "$hot/drive0.capture"  # 57 °C
conf="1 55 6 0 0 admin@example.org $host 0"
# The subject names the drive and the machine.
stopped="taruk: e-mail to admin@example.org \"Taruk - critical temperature reached: HD0 .* on $(hostname)\": not sent: Stopped: the monitor is ending"
stop_case() {  # stop_case SIGNAL [--once]
  local signal=$1
  shift
  : >"$work/accepted"
  settings "$conf"
  "$taruk" --headless "$@" --replay "$hot" 2>"$work/stderr" &
  local monitor=$!
  wait_for 20 test -s "$work/accepted" || { kill -KILL "$monitor"; fail "no e-mail attempt reached the server"; }
  settings "2${conf#1}"  # edited while it runs: never written over
  local start end status=0
  start=$(date +%s%N)
  kill -"$signal" "$monitor"
  wait "$monitor" || status=$?
  end=$(date +%s%N)
  echo "SIG$signal to exit, --headless${*:+ $*}: $(((end - start) / 1000000)) ms"
  [ "$status" = 0 ] || fail "SIG$signal${*:+ $*} ended the monitor with $status"
  [ "$(saved)" = "2${conf#1}" ] || fail "SIG$signal${*:+ $*}: settings written over: $(saved)"
  [ "$(matching "$stopped")" = 1 ] || fail "SIG$signal${*:+ $*}: the waiting e-mail did not end on the request"
  [ "$(wc -l <"$work/accepted")" = 1 ] || fail "SIG$signal${*:+ $*}: a new cycle began after the request"
}
for signal in TERM INT HUP; do stop_case "$signal"; done
for signal in INT TERM; do stop_case "$signal" --once; done
echo "headless faults: all checks passed"
