#!/usr/bin/env bash
# The window under a real X server with a notification area (trayer): it
# starts on the demo drives, hides when closed, keeps running, and comes back
# when its notification-area icon is clicked. Screenshots go to
# BUILD/screenshots/.
#   bash window_tray.sh TARUK BUILD_DIR
set -euo pipefail
taruk=$1
build=$2
here=$(cd "$(dirname "$0")" && pwd)
demo=$(cd "$here/../../data/demo" && pwd)
python=/usr/bin/python3

for tool in Xvfb trayer; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed (scripts/install-deps.sh test)"; exit 77; }
done
"$python" -c 'import Xlib' 2>/dev/null || { echo "skipped: python3-xlib is not installed"; exit 77; }

work=$(mktemp -d)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A private X server on the first free display number.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
exec 3>&-
unset WAYLAND_DISPLAY QT_QPA_PLATFORM DBUS_SESSION_BUS_ADDRESS
export XDG_RUNTIME_DIR="$work/runtime" APPDATA="$work/appdata" NO_AT_BRIDGE=1
mkdir -m 700 -p "$XDG_RUNTIME_DIR"

trayer --edge top --align right --widthtype request --height 32 --SetDockType false >"$work/trayer.log" 2>&1 &
pids+=($!)
"$python" "$here/x11_window.py" wait-tray 15 || { cat "$work/trayer.log"; exit 1; }

shoot() {
  mkdir -p "$build/screenshots"
  if command -v import >/dev/null; then
    import -window root "$build/screenshots/$1.png" 2>/dev/null || true
  else
    "$python" "$here/x11_window.py" screenshot "$build/screenshots/$1.png" || true
  fi
}

"$taruk" --replay "$demo" >"$work/taruk.out" 2>"$work/taruk.err" &
taruk_pid=$!
pids+=("$taruk_pid")
window=$("$python" "$here/x11_window.py" wait-window "Taruk S.M.A.R.T." 30) || { cat "$work/taruk.err"; exit 1; }
"$python" "$here/x11_window.py" wait-state "$window" viewable 10
sleep 1
shoot xvfb_shown
echo "window $window is shown"

# Close (what the title bar's close button sends): hidden, still running.
"$python" "$here/x11_window.py" close "$window"
"$python" "$here/x11_window.py" wait-state "$window" hidden 10
sleep 1
kill -0 "$taruk_pid" || { echo "taruk ended on Close"; cat "$work/taruk.err"; exit 1; }
shoot xvfb_hidden
echo "Close hid the window; taruk still runs"

# A left click on the notification-area icon brings it back.
"$python" "$here/x11_window.py" click-tray-icon taruk 10
"$python" "$here/x11_window.py" wait-state "$window" viewable 10
sleep 1
shoot xvfb_back
echo "the notification-area icon brought the window back"

# Hidden again, the icon's menu (right button) brings it back through its
# first item, "Show application".
"$python" "$here/x11_window.py" close "$window"
"$python" "$here/x11_window.py" wait-state "$window" hidden 10
"$python" "$here/x11_window.py" click-tray-icon taruk 10 3
sleep 1
shoot xvfb_tray_menu
"$python" "$here/x11_window.py" click-menu-item taruk 0 10
"$python" "$here/x11_window.py" wait-state "$window" viewable 10
echo "\"Show application\" in the icon's menu brought the window back"

kill "$taruk_pid"
wait "$taruk_pid" 2>/dev/null || true

# With no drive readable, the window falls back on the demo drives and says
# so, in its caption too. Only where this machine has no readable drive, which
# the report tells.
if ! "$taruk" --report 2>/dev/null | grep -q '^HD'; then
  "$taruk" >"$work/plain.out" 2>"$work/plain.err" &
  plain_pid=$!
  pids+=("$plain_pid")
  "$python" "$here/x11_window.py" wait-window "Taruk S.M.A.R.T. (demo drives)" 30 >/dev/null ||
    { cat "$work/plain.err"; exit 1; }
  sleep 1
  shoot xvfb_demo_drives
  kill "$plain_pid"
  wait "$plain_pid" 2>/dev/null || true
  grep -q "showing the demo drives from .*, with alarms off" "$work/plain.err" ||
    { echo "no word of the demo drives:"; cat "$work/plain.err"; exit 1; }
  echo "without readable drives: $(cat "$work/plain.err")"
fi
echo "passed"
