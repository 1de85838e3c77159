#!/bin/bash
# taruk.exe with ten replayed drives: the disk buttons show a page of four,
# and the page control below them lists every drive; a drive chosen there is
# shown with its page, its panel and its details. Screenshots beside the
# others (screenshots-windows/ten_drives*.png).
source "$(dirname "$0")/gui_session.sh"

/usr/bin/python3 "$source_dir/scripts/make-demo-captures.py" "$work/ten" --drives 10
start_taruk --replay "$work/ten"
expect_text "$main_title" 1041 "HD0-3 of 10 drives..."
expect_text "$main_title" 1005 "Western Digital"
screenshot ten_drives "$main_title"

# First click: the list; second: HD7, the eighth drive in it.
click_control "$main_title" 1041
sleep 1
screenshot ten_drives_list
xdotool key Down Down Down Down Down Down Down Down Return
sleep 1
expect_text "$main_title" 1041 "HD4-7 of 10 drives..."
expect_text "$main_title" 1008 "ZDH1459Q7           "
expect_text "$main_title" 1040 "Health: bad (Reallocated Sector Count (5) failing now: value 20, threshold 36)"
screenshot ten_drives_hd7 "$main_title"

# Up from the top reaches the last drive: HD9, alone with HD8 on its page.
click_control "$main_title" 1041
sleep 1
xdotool key Up Return
sleep 1
expect_text "$main_title" 1041 "HD8-9 of 10 drives..."
expect_text "$main_title" 1008 "ZDH1533Q9           "
screenshot ten_drives_hd9 "$main_title"
shoot_dialog 1014 "S.M.A.R.T. details - HD9: WDC WD40EFRX-68N32N0, S/N ZDH1533Q9" ten_drives_details Return

# A button of this page selects its own drive.
click_control "$main_title" 1001
expect_text "$main_title" 1008 "ZDH1496Q8           "
echo "screenshots in $screenshots"
