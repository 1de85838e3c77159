#!/usr/bin/env bash
# taruk --report over replayed drives: the demo drives' JSON report against
# the checked-in one, the text report, and the exit statuses: a bad capture
# (exit 2, one line on stderr, the other drives printed), no drive (exit 1).
set -euo pipefail
taruk=$1
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$taruk" --report --json --replay "$top/data/demo" >"$work/demo.json" 2>"$work/err" ||
  fail "--report --json on the demo drives exited $?: $(cat "$work/err")"
diff -u "$top/tests/data/demo-report.json" "$work/demo.json" || fail "demo JSON report differs"
[ -s "$work/err" ] && fail "unexpected stderr: $(cat "$work/err")"

"$taruk" --report --replay "$top/data/demo" >"$work/demo.txt"
grep -qx "HD1: ST3160023A *" "$work/demo.txt" || fail "no HD1 line"
grep -qx "Capacity: 160.03 Gb" "$work/demo.txt" || fail "no capacity line"
grep -qx "Temperature: 57 °C" "$work/demo.txt" || fail "no temperature line"
grep -qE "^194  Temperature +57 +0 +59  0000000e0039  57 °C$" "$work/demo.txt" || fail "no attribute row"
grep -qx "Health: caution (3 pending sectors; Attribute 190 failed in the past: worst 41, threshold 45)" \
  "$work/demo.txt" || fail "no health line"
[ "$(grep -c "^Health: good$" "$work/demo.txt")" = 3 ] || fail "the other demo drives are not all good"

# A sleeping drive (the demo Seagate, captured in standby): identified, not
# read, unless --wake; the JSON says so either way.
mkdir "$work/asleep"
{ echo "power-mode 0 0x00"; cat "$top/data/demo/drive1.capture"; } >"$work/asleep/drive1.capture"
"$taruk" --report --replay "$work/asleep" >"$work/asleep.txt"
grep -qx "HD1: ST3160023A *" "$work/asleep.txt" || fail "sleeping drive: no HD1 line"
grep -qx "Capacity: 160.03 Gb" "$work/asleep.txt" || fail "sleeping drive: no capacity line"
grep -qx "standby: not read (taruk --report --wake reads it)" "$work/asleep.txt" ||
  fail "sleeping drive: no standby line"
grep -q "^Temperature\|^194 " "$work/asleep.txt" && fail "sleeping drive: read anyway: $(cat "$work/asleep.txt")"
"$taruk" --report --wake --replay "$work/asleep" >"$work/woken.txt"
grep -qx "Temperature: 57 °C" "$work/woken.txt" || fail "--wake: no temperature line"
grep -q "^standby" "$work/woken.txt" && fail "--wake: still says not read"
"$taruk" --report --json --replay "$work/asleep" >"$work/asleep.json"
grep -q '"temperature":null,"powerOnHours":0,"powerMode":"standby","health":"unknown","healthReasons":\[[^]]*\],"selfTests":null,"errorCount":null,"attributes":\[\]' "$work/asleep.json" ||
  fail "sleeping drive: JSON"
"$taruk" --report --json --wake --replay "$work/asleep" >"$work/woken.json"
grep -q '"temperature":57,.*"powerMode":"standby",.*"attributes":\[{' "$work/woken.json" || fail "--wake: JSON"
status=0
"$taruk" --headless --wake >/dev/null 2>"$work/err" || status=$?
[ "$status" = 2 ] || fail "--wake without --report: exit $status, expected 2"

# Exit statuses, and what reaches stdout and stderr: a capture broken in its
# middle is reported with its file and line while the drives that replayed
# well are printed (exit 2); no drive at all is said and exits 1.
cp -r "$top/data/demo" "$work/bad"
sed -i '20s/^  ../  zz/' "$work/bad/drive2.capture"
mkdir "$work/empty" "$work/allbad"
cp "$work/bad/drive2.capture" "$work/allbad/drive0.capture"
#    folder        options    status  drives shown  stderr line
cases=(
  "bad           --json      2  0,1,3  bad/drive2.capture:20: "
  "bad           --text      2  0,1,3  bad/drive2.capture:20: "
  "empty         --json      1  -      taruk: no drive answered"
  "allbad        --json      2  -      allbad/drive0.capture:20: "
  "bad           --json:drive1.capture  0  1  -"
  "bad           --json:drive7.capture  2  -  taruk: drive7.capture: no such drive"
)
for case in "${cases[@]}"; do
  read -r folder options expected shown line <<<"$case"
  args=(--report)
  [[ $options == --json* ]] && args+=(--json)
  [[ $options == *:* ]] && args+=("${options#*:}")
  status=0
  "$taruk" "${args[@]}" --replay "$work/$folder" >"$work/out" 2>"$work/err" || status=$?
  what="$folder ${args[*]}"
  [ "$status" = "$expected" ] || fail "$what: exit $status, expected $expected: $(cat "$work/err")"
  if [ "$line" = - ]; then
    [ -s "$work/err" ] && fail "$what: unexpected stderr: $(cat "$work/err")"
  else
    [ "$(wc -l <"$work/err")" = 1 ] || fail "$what: expected one line on stderr, got: $(cat "$work/err")"
    grep -qF "$line" "$work/err" || fail "$what: stderr lacks '$line': $(cat "$work/err")"
  fi
  if [[ $options == --json* ]]; then
    got=$(/usr/bin/python3 -c 'import json,sys; print(",".join(str(d["index"]) for d in json.load(sys.stdin)["drives"]) or "-")' <"$work/out") ||
      fail "$what: stdout is not the JSON report: $(cat "$work/out")"
  else
    got=$(sed -n 's/^HD\([0-9]*\): .*/\1/p' "$work/out" | paste -sd, -)
  fi
  [ "$got" = "$shown" ] || fail "$what: drives shown $got, expected $shown"
done

# A folder that is not there is an error too, not an empty report.
status=0
"$taruk" --report --replay "$work/nowhere" >"$work/out" 2>"$work/err" || status=$?
[ "$status" = 2 ] || fail "missing folder: exit $status, expected 2"
[ "$(wc -l <"$work/err")" = 1 ] || fail "missing folder: expected one line"

# An empty folder: no drives, still a valid report (and exit 1, above).
[ "$("$taruk" --report --json --replay "$work/empty" 2>/dev/null)" = '{"drives":[]}' ] || fail "empty folder"
# The console modes load no window, sound, D-Bus or TLS library (taruk-window and
# the modules taruk loads at first use carry those), and neither does a
# running --headless with no session bus and no alarm that needs logind:
# the dynamic linker's list for the one-shot modes, the mapped files of the
# headless monitor after its first cycle has notified.
heavy='libQt6|libsndfile|libpulse|libdbus-1|libssl|libcrypto|taruk-dbus|taruk-sound|taruk-tls'
for mode in "--version" "--help" "--report --replay $top/data/demo" "--settings --config-dir $work/conf"; do
  # shellcheck disable=SC2086
  LD_DEBUG=files "$taruk" $mode 2>&1 >/dev/null | grep -Eo "file=[^ ]*($heavy)[^ ]*" &&
    fail "taruk $mode loads the libraries above"
done
(
  unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS XDG_RUNTIME_DIR
  exec env APPDATA="$work/conf" "$taruk" --headless --replay "$top/data/demo" 2>"$work/headless.err"
) &
headless=$!
for _ in $(seq 100); do grep -qs 'notification:' "$work/headless.err" && break; sleep 0.1; done
grep -q 'notification:' "$work/headless.err" || { kill $headless; fail "--headless: no notice: $(cat "$work/headless.err")"; }
mapped=$(grep -Eo "/[^ ]*($heavy)[^ ]*" "/proc/$headless/maps" | sort -u || true)
kill $headless; wait $headless || true
[ -z "$mapped" ] || fail "--headless maps $mapped"

echo "report_replay: ok"
