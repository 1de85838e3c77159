#!/usr/bin/env bash
# The window under a real X server with a notification area (trayer): it
# starts on the demo drives, hides when closed, keeps running, and comes back
# when its notification-area icon is clicked; the icon shows the worst drive's
# health, as an XEmbed icon and as a StatusNotifierItem. Screenshots go to
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

# The icon carries the worst drive's health, on both ways to a notification
# area: XEmbed (trayer) and a StatusNotifierItem registered with a watcher on
# a private session bus (python3-dbusmock), for replayed drives all good, one
# in caution, one bad. On both, an alarm is one desktop notification
# (dbusmock's daemon), at critical urgency, and no balloon of Qt's own
# besides. The icons and screens go to BUILD/screenshots/tray_*.png.
if ! command -v dbus-daemon >/dev/null || ! "$python" -c 'import dbus, dbusmock' 2>/dev/null; then
  echo "skipped the icon's health: dbus-daemon, python3-dbus or python3-dbusmock is missing"
  echo passed
  exit 0
fi
fail() { echo "FAIL: $*"; cat "$work"/taruk.err 2>/dev/null || true; exit 1; }
shots="$build/screenshots"
mkdir -p "$shots"
# Three replay folders: the demo drives without the one in caution, the demo
# as it is, and the demo with that drive's reallocated-sector value fallen to
# 1 (below its threshold of 36).
mkdir "$work/good" "$work/caution" "$work/bad"
cp "$demo"/* "$work/caution/"
cp "$demo"/* "$work/bad/"
cp "$demo"/* "$work/good/"
rm "$work/good/drive1.capture"
"$python" "$here/failing_capture.py" "$demo/drive1.capture" "$work/bad/drive1.capture"

dbus-daemon --config-file=/usr/share/dbus-1/session.conf --nofork --print-address=1 >"$work/bus" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/bus" ] && break; sleep 0.1; done
export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus")
"$python" -m dbusmock --template notification_daemon -l "$work/notify.log" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
    string:org.freedesktop.Notifications 2>/dev/null | grep -q true && break
  sleep 0.1
done

# One run of taruk on a replay folder; the icon's badge must match it.
run() {
  : >"$work/notify.log"
  "$taruk" --replay "$work/$2" >"$work/taruk.out" 2>"$work/taruk.err" &
  taruk_pid=$!
  pids+=("$taruk_pid")
  "$python" "$here/x11_window.py" wait-window "Taruk S.M.A.R.T." 30 >/dev/null || fail "no window"
}
stop() {
  kill "$taruk_pid"
  wait "$taruk_pid" 2>/dev/null || true
}
# The demo's caution drive raises one health alarm at start: one Notify, loud.
notified_once() {
  for _ in $(seq 50); do grep -q ' Notify ' "$work/notify.log" && break; sleep 0.1; done
  sleep 0.5
  [ "$(grep -c ' Notify ' "$work/notify.log")" = 1 ] || fail "$1: not one notification: $(cat "$work/notify.log")"
  grep -q 'Notify "Taruk" 0 "dialog-warning" "Taruk" "HD1: ST3160023A health: .*" \[\] {"urgency": 2} 0' \
    "$work/notify.log" || fail "$1: not a critical warning: $(cat "$work/notify.log")"
}

for state in good caution bad; do
  run xembed "$state"
  badge=$("$python" "$here/x11_window.py" tray-icon-badge taruk 15 "$shots/tray_xembed_$state.png")
  [ "$badge" = "$state" ] || fail "XEmbed icon shows $badge for $state drives"
  if [ "$state" != good ]; then
    notified_once "XEmbed, $state"
    # No balloon of Qt's own beside the notification.
    "$python" "$here/x11_window.py" has-class QBalloonTip && fail "Qt drew its own balloon as well"
  fi
  sleep 0.5
  "$python" "$here/x11_window.py" screenshot "$shots/tray_xembed_${state}_screen.png"
  stop
  echo "XEmbed icon: $state"
done

# The StatusNotifierItem path: with a host registered at the watcher, the
# icon is an item on the bus, whose status asks for attention while a drive
# is in caution or bad, and whose menu a host can draw (dbusmenu).
"$python" -m dbusmock -l "$work/watcher.log" org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
  org.kde.StatusNotifierWatcher >/dev/null 2>&1 &
pids+=($!)
mock() { dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher "$@" >/dev/null; }
for _ in $(seq 100); do mock org.freedesktop.DBus.Peer.Ping 2>/dev/null && break; sleep 0.1; done
mock org.freedesktop.DBus.Mock.AddProperty string:org.kde.StatusNotifierWatcher \
  string:IsStatusNotifierHostRegistered variant:boolean:true
mock org.freedesktop.DBus.Mock.AddProperty string:org.kde.StatusNotifierWatcher string:ProtocolVersion variant:int32:0
mock org.freedesktop.DBus.Mock.AddMethod string:org.kde.StatusNotifierWatcher \
  string:RegisterStatusNotifierItem string:s string: string:
for state in good caution bad; do
  : >"$work/watcher.log"
  run sni "$state"
  item=$("$python" "$here/sni_item.py" wait-item "$work/watcher.log" 15)
  sleep 1
  shown=$("$python" "$here/sni_item.py" state "$item" "$shots/tray_sni_$state.png")
  attention=NeedsAttention
  [ "$state" = good ] && attention=Active
  [ "$shown" = "$attention $state" ] || fail "StatusNotifierItem shows $shown for $state drives"
  [ "$state" = good ] || notified_once "StatusNotifierItem, $state"
  if [ "$state" = good ]; then
    labels=$("$python" "$here/sni_item.py" menu "$item")
    [ "$labels" = "Show application|About...|-|Exit" ] || fail "the item's menu reads $labels"
  fi
  stop
  echo "StatusNotifierItem: $shown"
done
# With [tray] icon = "temperature" the item's icon is the hottest drive's
# figure on the worst drive's colour, at every size.
mkdir -p "$APPDATA/Taruk"
printf '[tray]\nicon = "temperature"\n' >"$APPDATA/Taruk/taruk.toml"
: >"$work/watcher.log"
run sni caution
item=$("$python" "$here/sni_item.py" wait-item "$work/watcher.log" 15)
sleep 1
shown=$("$python" "$here/sni_item.py" state "$item" "$shots/tray_sni_temperature.png")
[ "$shown" = "NeedsAttention caution figure" ] || fail "temperature icon shows $shown"
stop
rm "$APPDATA/Taruk/taruk.toml"
echo "StatusNotifierItem, temperature: $shown"
echo "passed"
