#!/usr/bin/env bash
# The metrics end to end: a real Prometheus scrapes `taruk --headless
# --replay DIR --metrics-listen 127.0.0.1:PORT`, its query API gives back the
# replayed drives' temperatures, an attribute and a volume, and an edited
# capture shows in the next scrape, and the smartctl_exporter series join as
# that exporter's dashboards join them. promtool lints the served page (with
# those series) and the --metrics-file copy. Then misbehaving clients: the cycle's timing and the
# memory are printed before and after (figures, not limits). Last, a metrics
# file in a read-only folder.
#   bash metrics_prometheus.sh TARUK BUILD_DIR
set -euo pipefail
taruk=$1
for tool in prometheus promtool; do
  command -v $tool >/dev/null || { echo "skipped: $tool is not installed (Debian prometheus)"; exit 77; }
done
here=$(cd "$(dirname "$0")" && pwd)
probe() { /usr/bin/python3 "$here/metrics_probe.py" "$@"; }
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  mountpoint -q "$work/ro" 2>/dev/null && umount "$work/ro"
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*"; for f in "$work"/*.err; do echo "--- $f"; cat "$f"; done; exit 1; }

# Settings: a cycle every second, critical 55 °C, minimum 600 MB free.
mkdir -p "$work/app/Taruk" "$work/out"
printf '1 55 0 600 0 a b' >"$work/app/Taruk/conf.dat"
export APPDATA="$work/app"
cp -r "$(dirname "$here")/../data/demo" "$work/drives"

# Usage errors before anything starts (a monitor that started anyway would
# run on: the time-outs end it).
set +e
timeout 10 "$taruk" --headless --metrics-listen 2>"$work/usage.err"; bare=$?
timeout 10 "$taruk" --headless --metrics-listen localhost:9 2>>"$work/usage.err"; named=$?
set -e
[ "$bare" = 2 ] && [ "$named" = 2 ] || fail "a bare or named --metrics-listen gave $bare and $named, not 2"

port=$(probe free-port)
"$taruk" --headless --replay "$work/drives" --metrics-listen "127.0.0.1:$port" \
  --metrics-file "$work/out/taruk.prom" --metrics-compat smartctl-exporter 2>"$work/taruk.err" &
taruk_pid=$!
pids+=("$taruk_pid")
for _ in $(seq 300); do grep -qs '^taruk_last_cycle_timestamp_seconds' "$work/out/taruk.prom" && break; sleep 0.1; done
grep -q '^taruk_drive_temperature_celsius' "$work/out/taruk.prom" || fail "no metrics file after 30 s"

# The port is taken now: a second monitor says so and ends.
set +e
timeout 10 "$taruk" --headless --replay "$work/drives" --metrics-listen "127.0.0.1:$port" 2>"$work/second.err"
second=$?
set -e
[ "$second" = 1 ] && grep -q "can't serve metrics on 127.0.0.1:$port: Address already in use" "$work/second.err" \
  || fail "a port in use gave exit $second: $(cat "$work/second.err")"

probe get "http://127.0.0.1:$port/metrics" >"$work/page"
[ "$(head -1 "$work/page")" = 200 ] || fail "GET /metrics: $(head -1 "$work/page")"
tail -n +2 "$work/page" >"$work/scraped.prom"
# promtool's one complaint may be the smartctl_exporter's own name, which
# dashboards query as it is.
lint() {
  local said
  said=$(promtool check metrics <"$1" 2>&1) && return 0
  ! grep -v '^smartctl_device_power_cycle_count non-histogram and non-summary metrics should not have "_count" suffix$' \
    <<<"$said"
}
lint "$work/scraped.prom" || fail "promtool on the served page"
lint "$work/out/taruk.prom" || fail "promtool on the metrics file"
probe gzip "http://127.0.0.1:$port/metrics" || fail "the page asked for gzipped"

# A real Prometheus scraping every second.
prom_port=$(probe free-port)
cat >"$work/prometheus.yml" <<CONFIG
global: {scrape_interval: 1s, evaluation_interval: 1s}
scrape_configs:
  - job_name: taruk
    static_configs: [{targets: ["127.0.0.1:$port"]}]
CONFIG
prometheus --config.file="$work/prometheus.yml" --storage.tsdb.path="$work/tsdb" \
  --web.listen-address="127.0.0.1:$prom_port" 2>"$work/prometheus.err" &
pids+=("$!")
api="http://127.0.0.1:$prom_port"
# Polls a query until its answer is the expected text (60 s at most).
expect_query() {
  local expr=$1 want=$2 got=""
  for _ in $(seq 300); do
    got=$(probe query "$api" "$expr" 2>/dev/null || true)
    [ "$got" = "$want" ] && { echo "$expr -> $got"; return 0; }
    sleep 0.2
  done
  fail "query $expr gave [$got], wanted [$want]"
}
labels0='drive="0",id="nvme-WD_BLACK_SN770_1TB_22136P801234",interface="nvme",model="WD_BLACK SN770 1TB",serial="22136P801234"'
labels1='drive="1",id="ata-ST3160023A_3JS0QXYZ",interface="ata",model="ST3160023A",serial="3JS0QXYZ"'
labels3='drive="3",id="ata-STM3200820A_5QE3ABCD",interface="ata",model="STM3200820A",serial="5QE3ABCD"'
expect_query taruk_drive_temperature_celsius "{__name__=\"taruk_drive_temperature_celsius\",$labels0} 41
{__name__=\"taruk_drive_temperature_celsius\",$labels1} 57
{__name__=\"taruk_drive_temperature_celsius\",$labels3} 38"
expect_query 'taruk_drive_attribute_raw{drive="1",attribute_id="194"}' \
  '{__name__="taruk_drive_attribute_raw",attribute_id="194",drive="1",id="ata-ST3160023A_3JS0QXYZ",interface="ata",model="ST3160023A",name="Temperature",serial="3JS0QXYZ"} 917561'
expect_query 'taruk_volume_free_bytes{root="/srv/backup"}' \
  '{__name__="taruk_volume_free_bytes",root="/srv/backup"} 524288000'
expect_query 'taruk_volume_free_space_alarm == 1' '{__name__="taruk_volume_free_space_alarm",root="/srv/backup"} 1'
# The smartctl_exporter series, joined as its dashboards join them.
expect_query 'smartctl_device_temperature{temperature_type="current"} * on (device, instance) group_left(model_name) smartctl_device{serial_number="3JS0QXYZ"}' \
  '{device="drive1.capture",model_name="ST3160023A",temperature_type="current"} 57'

# Drive 0 heats up in its capture: the next cycle and scrape show it.
probe set-temperature "$work/drives/drive0.capture" 63
expect_query 'taruk_drive_temperature_celsius{drive="0"}' "{__name__=\"taruk_drive_temperature_celsius\",$labels0} 63"
expect_query 'taruk_drive_temperature_alarm{drive="0"}' "{__name__=\"taruk_drive_temperature_alarm\",$labels0} 1"
probe gzip "http://127.0.0.1:$port/metrics" || fail "the page asked for gzipped, after a reading changed"

# Misbehaving clients. The cycle's timing comes from the metrics file, read
# four times a second throughout; memory from /proc.
memory() { awk '/^VmRSS|^VmHWM/ {printf "%s %s kB  ", $1, $2}' "/proc/$taruk_pid/status"; }
( while :; do echo "$(cat "$work/phase" 2>/dev/null) $(grep -h '^taruk_last_cycle' "$work/out/taruk.prom" | tr '\n' ' ')"
    sleep 0.25; done ) >"$work/timing" 2>/dev/null &
pids+=("$!")
echo quiet >"$work/phase"
sleep 4
echo "memory before: $(memory)"
echo abused >"$work/phase"
probe abuse 127.0.0.1 "$port"
echo after >"$work/phase"
sleep 3
echo "memory after:  $(memory)"
kill -0 "$taruk_pid" || fail "taruk ended under the clients"
/usr/bin/python3 - "$work/timing" <<'TIMING'
import sys
phases = {}
for line in open(sys.argv[1]):
    words = line.split()
    if len(words) < 5:
        continue
    values = dict(zip(words[1::2], map(float, words[2::2])))
    ts = values.get("taruk_last_cycle_timestamp_seconds")
    dur = values.get("taruk_last_cycle_duration_seconds")
    phase = phases.setdefault(words[0], {})
    phase[ts] = dur
for name, cycles in phases.items():
    stamps = sorted(cycles)
    gaps = [b - a for a, b in zip(stamps, stamps[1:])]
    if gaps:
        print(f"cycle timing {name}: {len(stamps)} cycles, gap between cycles {min(gaps):.3f}..{max(gaps):.3f} s,"
              f" cycle duration {min(cycles.values()) * 1000:.1f}..{max(cycles.values()) * 1000:.1f} ms")
TIMING
expect_query 'taruk_drive_temperature_celsius{drive="0"}' "{__name__=\"taruk_drive_temperature_celsius\",$labels0} 63"
# Through all of it the monitor stayed whole: SIGTERM ends it cleanly (the
# sanitizers report at exit).
kill "$taruk_pid"
status=0
wait "$taruk_pid" || status=$?
[ "$status" = 0 ] || fail "taruk ended with status $status after SIGTERM"
echo "Scraped page (abridged):"
awk '!/^taruk_drive_attribute/ && n++ < 40' "$work/scraped.prom"  # no pipe: head's early exit would fail the script under pipefail

# A metrics file in a read-only folder: an error on every cycle, and the
# monitor goes on. Root writes through permissions, so root gets a read-only
# mount instead.
mkdir "$work/ro"
if [ "$(id -u)" = 0 ]; then mount -t tmpfs -o ro,size=1m tmpfs "$work/ro"; else chmod 555 "$work/ro"; fi
"$taruk" --headless --replay "$work/drives" --metrics-file "$work/ro/taruk.prom" 2>"$work/ro.err" &
ro_pid=$!
pids+=("$ro_pid")
errors() { local n; n=$(grep -c "can't write the metrics" "$work/ro.err" 2>/dev/null || true); echo "${n:-0}"; }
for _ in $(seq 300); do [ "$(errors)" -ge 3 ] && break; sleep 0.1; done
kill -0 "$ro_pid" || fail "the monitor ended on a read-only metrics folder"
grep -Eq "^taruk: Error: can't write the metrics to $work/ro/taruk.prom: (Read-only file system|Permission denied)$" \
  "$work/ro.err" || fail "no clear error for a read-only folder"
[ "$(errors)" -ge 3 ] || fail "the error is not repeated on every cycle"
echo "read-only folder: $(head -1 "$work/ro.err") (x$(grep -c . "$work/ro.err"))"

# The window exports the same way (Qt's offscreen platform, no display).
mkdir -m 700 "$work/runtime"
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/runtime" \
  "$taruk" --replay "$work/drives" --metrics-file "$work/out/window.prom" 2>"$work/window.err" &
pids+=("$!")
for _ in $(seq 300); do grep -qs '^taruk_drive_temperature_celsius' "$work/out/window.prom" && break; sleep 0.1; done
grep -q '^taruk_drive_temperature_celsius{drive="0",.*} 63$' "$work/out/window.prom" || fail "no metrics from the window"
promtool check metrics <"$work/out/window.prom" || fail "promtool on the window's metrics file"
echo passed
