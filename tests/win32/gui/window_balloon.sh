#!/bin/bash
# A temperature alarm on a replayed hot drive shows its balloon from the
# notification-area icon: the tray exists under Wine's desktop, and the
# balloon comes from Shell_NotifyIconW, not from the console's log line that
# stands in when there is no icon.
source "$(dirname "$0")/gui_session.sh"

# Poll every 10 s, critical at 30 degrees (the drive reads 41), the balloon
# as the action; no health action, so that the only balloon is the alarm's.
mkdir -p "$settings_dir"
printf '10 30 1 0 0 ops@example.org smtp.example.invalid 0' >"$settings_dir/conf.dat"
replay=$work/hot
mkdir -p "$replay"
cp "$source_dir/data/demo/drive0.capture" "$replay/"

start_taruk --replay "$replay"
[ "$(tray_badge tray_good)" = good ] || fail "a badge on the icon of a good drive"
before=$(balloon_area_white)
awk -v w="$before" 'BEGIN { exit !(w < 0.2) }' || fail "a balloon before the first cycle (white $before)"

wait_for_balloon 40 || fail "no balloon within 40 s of a 10 s poll (white $(balloon_area_white))"
screenshot balloon
grep -q 'notification: ' "$work/taruk.log" && fail "the balloon went to the console: $(cat "$work/taruk.log")"
echo "balloon shown"

# A second drive that fails now turns up at a later cycle: the icon turns red
# and the balloon carries the warning icon (the temperature alarm's).
/usr/bin/python3 "$source_dir/tests/e2e/failing_capture.py" "$source_dir/data/demo/drive1.capture" "$replay/drive1.capture"
for _ in $(seq 30); do
  [ "$(tray_badge tray_bad)" = bad ] && break
  sleep 1
done
[ "$(tray_badge tray_bad)" = bad ] || fail "the icon shows no red badge for the failing drive"
screenshot tray_bad_screen
echo "the icon follows the worst drive"

# [tray] icon = "temperature" in taruk.toml, taken up at a later poll: the
# hottest drive's figure fills the icon, on the failing drive's red, where
# the badge alone covers a quarter of it.
printf '[tray]\nicon = "temperature"\n' >"$settings_dir/taruk.toml"
red_share() { tray_badge "$1" >/dev/null; share "$1" 'rgb(210,20,20)'; }
for _ in $(seq 30); do
  awk -v s="$(red_share tray_temperature)" 'BEGIN { exit !(s > 0.06) }' && break
  sleep 1
done
awk -v s="$(red_share tray_temperature)" 'BEGIN { exit !(s > 0.06) }' ||
  fail "the icon shows no temperature on red (red share $(red_share tray_temperature))"
echo "the icon shows the temperature"
