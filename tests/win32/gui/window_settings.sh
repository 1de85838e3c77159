#!/bin/bash
# The settings through the windows: Options -> OK refuses a poll interval out
# of range and writes conf.dat with the exact bytes of the settings file; the
# notification-area menu's Exit asks first (No changes nothing), then saves
# and ends the program.
source "$(dirname "$0")/gui_session.sh"
conf=$settings_dir/conf.dat

start_taruk --replay "$source_dir/data/demo"
[ ! -e "$conf" ] || fail "conf.dat exists before anything was saved"

# A poll interval out of range: OK refuses, and Options stays open.
click_control "$main_title" 1016
probe wait "Options" 15 || fail "Options did not open"
click_control "Options" 1018
xdotool key End shift+Home
xdotool type --delay 50 "5"
click_control "Options" 1
probe wait "Error" 10 || fail "OK took a poll interval of 5"
probe has-text "Error" "Wrong polling period! It must be in range 10 - 600 seconds!" || fail "another error than the range"
xdotool key Return
probe gone "Error" 10 || fail "the error box stayed"
probe wait "Options" 2 || fail "the refusal ended Options"
[ ! -e "$conf" ] || fail "a refused Options saved the settings"

# A new poll interval typed over the old one, a new e-mail address; OK.
click_control "Options" 1018
xdotool key End shift+Home
xdotool type --delay 50 "120"
click_control "Options" 1030
xdotool key End shift+Home
xdotool type --delay 50 "ops@example.org"

# Mail server...: a typed port brings its security; OK writes taruk.toml and
# the password into the Credential Manager, and says so.
click_control "Options" 1050
probe wait "Mail server" 15 || fail "Mail server... opened nothing"
expect_text "Mail server" 1001 "smtp.example.invalid"
expect_text "Mail server" 1003 "None"
click_control "Mail server" 1002
xdotool type --delay 50 "587"
expect_text "Mail server" 1003 "STARTTLS"
click_control "Mail server" 1004
xdotool type --delay 50 "ann"
click_control "Mail server" 1005
xdotool type --delay 50 "pw"
click_control "Mail server" 1
probe wait "Password" 10 && probe has-text "Password" "The password is kept in the Credential Manager." ||
  fail "OK did not say where the password went"
xdotool key Return
sleep 1
probe gone "Mail server" 10 || fail "OK did not end Mail server"
toml=$(tr -d '\r' <"$settings_dir/taruk.toml" 2>/dev/null | LC_ALL=C sort)
[ "$toml" = $'[mail]\nport = 587\nsecurity = "starttls"\nuser = "ann"' ] || fail "taruk.toml after Mail server -> OK: $toml"
click_control "Options" 1
probe gone "Options" 15 || fail "OK did not end Options"
sleep 1
expected='120 55 0 0 0 ops@example.org smtp.example.invalid'
[ "$(cat "$conf" 2>/dev/null)" = "$expected" ] ||
  fail "conf.dat after Options -> OK is \"$(cat "$conf" 2>/dev/null)\", not \"$expected\""
cmp -s "$conf" <(printf '%s' "$expected") || fail "conf.dat has bytes beyond \"$expected\": $(xxd "$conf")"
rm "$conf"

# The notification-area icon at the right end of the taskbar: its menu's
# last item is Exit.
tray_exit() {
  xdotool mousemove $((desktop_width - 10)) $((desktop_height - 10)) click 3
  sleep 1
  xdotool key Up Return
  probe wait "Taruk" 15 || fail "Exit did not ask"
  probe has-text "Taruk" "Exit from application?" || fail "Exit asked something else"
}
tray_exit
sleep 1
screenshot exit_question
xdotool key n
probe gone "Taruk" 10 || fail "No did not end the question"
probe wait "$main_title" 2 || fail "No ended the window"
[ ! -e "$conf" ] || fail "No saved the settings"

tray_exit
xdotool key y
probe gone "$main_title" 15 || fail "Yes left the window"
[ "$(cat "$conf" 2>/dev/null)" = "$expected" ] || fail "Exit saved \"$(cat "$conf" 2>/dev/null)\", not \"$expected\""
