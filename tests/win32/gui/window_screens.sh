#!/bin/bash
# taruk.exe --replay data/demo opens its main window; the disk buttons select
# their drives; every window is photographed into the build tree
# (screenshots-windows/), to be looked at beside the Qt windows' screenshots.
source "$(dirname "$0")/gui_session.sh"

start_taruk --replay "$source_dir/data/demo"
expect_text "$main_title" 1005 "Western Digital"
screenshot main "$main_title"

# Each disk button shows its drive in the panel: maker and work time.
click_control "$main_title" 1003
expect_text "$main_title" 1005 "Seagate Technology"
click_control "$main_title" 1006
expect_text "$main_title" 1005 "IBM"
click_control "$main_title" 1001
expect_text "$main_title" 1005 "Western Digital"
expect_text "$main_title" 1013 "14523 hours (605 days)"

# The details and the graph name their drive in the title.
graph_title="Temperature Graphic - HD0: WD_BLACK SN770 1TB, S/N 22136P801234"
shoot_dialog 1025 "$graph_title" graph Return
# Minutes, and the next opening remembers them.
click_control "$main_title" 1025
probe wait "$graph_title" 15 || fail "the graph did not open again"
click_control "$graph_title" 1025
sleep 1
screenshot graph_minutes "$graph_title"
xdotool key Return
probe gone "$graph_title" 15 || fail "the graph did not close"
click_control "$main_title" 1025
probe wait "$graph_title" 15 || fail "the graph did not open a third time"
[ "$(probe checked "$graph_title" 1025)" = 1 ] || fail "the graph forgot Minutes"
xdotool key Return
probe gone "$graph_title" 15 || fail "the graph did not close"
# The ATA drive with a caution: its rows behind the verdict are marked.
click_control "$main_title" 1003
expect_text "$main_title" 1040 "Health: caution (3 pending sectors)"
screenshot main_health_caution "$main_title"
# The notification-area icon carries the worst drive's badge: this one's.
[ "$(tray_badge tray_caution)" = caution ] || fail "the notification-area icon shows no amber badge"
shoot_dialog 1014 "S.M.A.R.T. details - HD1: ST3160023A, S/N 3JS0QXYZ" details Return
# Its Self-test dialog, from the details: the log newest first; a replayed
# drive refuses a start, and says so.
details_title="S.M.A.R.T. details - HD1: ST3160023A, S/N 3JS0QXYZ"
self_test_title="Self-test - HD1: ST3160023A, S/N 3JS0QXYZ"
click_control "$main_title" 1014
probe wait "$details_title" 15 || fail "the details did not open"
click_control "$details_title" 1014
probe wait "$self_test_title" 15 || fail "the details opened no Self-test dialog"
expect_text "$self_test_title" 1001 "No self-test running. Last: short, Completed without error (hour 2200)"
expect_text "$self_test_title" 1008 "Error log: no errors"
click_control "$self_test_title" 1002
sleep 2
reply=$(probe text "$self_test_title" 1006)
[[ $reply == "Short self-test: the command did not reach the drive: only read answers"* ]] ||
  fail "the start got no reply: \"$reply\""
screenshot self_test "$self_test_title"
xdotool key Escape
probe gone "$self_test_title" 15 || fail "the Self-test dialog did not close"
xdotool key Escape
probe gone "$details_title" 15 || fail "the details did not close"
shoot_dialog 1016 "Options" options Escape

# The system menu's "About Taruk..." (WM_SYSCOMMAND 16).
probe post "$main_title" 0x0112 16 0
probe wait "About Taruk" 15 || fail "the system menu opened no About box"
probe has-text "About Taruk" "Taruk Version 2.0" || fail "the About box does not name the version"
sleep 1
screenshot about "About Taruk"
xdotool key Escape
probe gone "About Taruk" 15 || fail "Escape did not end the About box"

# Enter and Escape never end the window; closing only hides it, and a left
# click on the notification-area icon brings it back.
xdotool key Return Escape
sleep 1
probe wait "$main_title" 1 || fail "Enter or Escape ended the window"
xdotool key alt+F4
sleep 1
probe wait "$main_title" 1 && fail "Alt+F4 left the window shown"
xdotool mousemove $((desktop_width - 10)) $((desktop_height - 10)) click 1
probe wait "$main_title" 10 || fail "a left click on the notification-area icon did not bring the window back"
echo "screenshots in $screenshots"
