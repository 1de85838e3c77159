#!/bin/bash
# taruk.exe with no drive it can read (Wine answers no S.M.A.R.T. request)
# falls back on the demo drives that come with it: the title says so, a
# balloon tells why, and their temperatures, though over the critical one,
# carry out no alarm.
source "$(dirname "$0")/gui_session.sh"

mkdir -p "$settings_dir"
printf '10 30 1 0 0 ops@example.org smtp.example.invalid 1' >"$settings_dir/conf.dat"
main_title="Taruk S.M.A.R.T. (demo drives)"
start_taruk
expect_text "$main_title" 1005 "Western Digital"
wait_for_balloon 10 || fail "no balloon about the demo drives"
screenshot demo_drives
grep -q 'showing the demo drives' "$work/taruk.log" || fail "stderr does not say why: $(cat "$work/taruk.log")"

# The notice goes; the cycles that follow (every 10 s) bring no alarm.
for _ in $(seq 20); do
  awk -v w="$(balloon_area_white)" 'BEGIN { exit !(w < 0.2) }' && break
  sleep 1
done
wait_for_balloon 15 && fail "a demo drive's temperature raised an alarm balloon"
echo "demo drives shown, alarms off"
