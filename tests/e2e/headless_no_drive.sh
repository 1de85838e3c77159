#!/usr/bin/env bash
# taruk --headless where no drive can be read and no --replay is given: it
# says so, never falls back on the demo drives (the demo Seagate runs at
# 57 °C and would alarm), and goes on monitoring the empty set until stopped.
#   bash headless_no_drive.sh PATH/TO/taruk BUILD_DIR
set -euo pipefail
taruk=$1

skip() { echo "skipped: $*"; exit 77; }
# Root would open the drives itself. Without CAP_SYS_RAWIO in the bounding
# set neither taruk nor the reader it starts can send an ATA command; anyone
# else is without it already.
run=("$taruk")
if [ "$(id -u)" = 0 ]; then
  setpriv --bounding-set=-sys_rawio true 2>/dev/null || skip "setpriv cannot drop CAP_SYS_RAWIO here"
  run=(setpriv --bounding-set=-sys_rawio "$taruk")
fi
if "${run[@]}" --report 2>/dev/null | grep -q '^HD'; then skip "a drive can be read here all the same"; fi

work=$(mktemp -d)
monitor=
cleanup() {
  if [ -n "$monitor" ]; then kill "$monitor" 2>/dev/null || true; wait "$monitor" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; echo "--- stderr of taruk:"; cat "$work/stderr" 2>/dev/null || true; exit 1; }

# Every drive there is would be hot (critical 1 °C) and give a notification
# line; the poll interval is 1 s. No bus to reach: nothing here may talk to
# the machine's own desktop or logind.
export APPDATA=$work/appdata
mkdir -p "$APPDATA/Taruk"
printf '1 1 1 0 0 admin@example.org 127.0.0.1' >"$APPDATA/Taruk/conf.dat"
export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/no-bus
said='^taruk: no drive could be read \(.+\); the monitor runs on without drives \(the demo drives are only for the window\)$'

"${run[@]}" --headless --once 2>"$work/stderr" || fail "taruk --headless --once exited with $?"
grep -Eq "$said" "$work/stderr" || fail "no word that no drive could be read"
grep -q 'notification:' "$work/stderr" && fail "alarms for drives this machine does not have"

# On its timer it runs on over the empty set, and SIGTERM ends it as usual.
"${run[@]}" --headless 2>"$work/stderr" &
monitor=$!
for _ in $(seq 600); do grep -Eq "$said" "$work/stderr" && break; sleep 0.1; done
grep -Eq "$said" "$work/stderr" || fail "no word that no drive could be read"
sleep 2.5  # two cycles or more
kill -0 "$monitor" 2>/dev/null || fail "the monitor ended by itself"
grep -q 'notification:' "$work/stderr" && fail "alarms for drives this machine does not have"
kill -TERM "$monitor"
status=0; wait "$monitor" || status=$?
monitor=
[ "$status" = 0 ] || fail "SIGTERM ended the monitor with $status"
echo "headless without drives: $(head -n1 "$work/stderr")"
