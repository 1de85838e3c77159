# Sourced by the window tests of taruk.exe: a private X display (Xvfb) with a
# Wine virtual desktop on it, the Wine prefix the window tests share, and the
# helpers that start taruk.exe, find its windows and controls (window_probe),
# click them (xdotool) and take screenshots (xwd + ImageMagick).
#
# Every test is called as: TEST TARUK_EXE PROBE_EXE SOURCE_DIR OUTPUT_DIR
set -euo pipefail

taruk_exe=$(realpath "$1")
probe_exe=$(realpath "$2")
source_dir=$(realpath "$3")
output_dir=$4
mkdir -p "$output_dir/screenshots-windows"
output_dir=$(realpath "$output_dir")
screenshots=$output_dir/screenshots-windows

export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;winealsa.drv=d;winepulse.drv=d"
# One prefix for the window tests (they run one at a time): its session
# keeps the display it started with, so it is never the console tests' one.
export WINEPREFIX=${TARUK_GUI_WINEPREFIX:-$output_dir/wine-gui/pfx}
desktop_name=taruk-test
desktop_width=1000
desktop_height=700
export WINDOW_PROBE_DESKTOP=$desktop_name
main_title="Taruk S.M.A.R.T."

work=$(mktemp -d)
xvfb_pid=

session_end() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap session_end EXIT

fail() {
  echo "FAIL: $*" >&2
  [ -f "$work/taruk.log" ] && sed 's/^/taruk.exe: /' "$work/taruk.log" >&2
  exit 1
}

# The first free display from :140 on.
display=
for n in $(seq 140 199); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=$n; break; fi
done
[ -n "$display" ] || fail "no free X display"
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=:$display
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

# The session must start with this display: end any left from before.
wineserver -k >/dev/null 2>&1 || true
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1 </dev/null
  wineserver -w
fi
# Without Wine's marlett font the caption buttons are drawn as letters.
cp -n /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true

settings_dir=$WINEPREFIX/drive_c/users/${USER:-$(id -un)}/AppData/Roaming/Taruk
rm -rf "$settings_dir"

# The probe writes DOS line ends.
probe() { wine "$probe_exe" "$@" | tr -d '\r'; }

# Starts ./taruk.exe ARGS in the virtual desktop and waits for its window.
start_taruk() {
  (cd "$(dirname "$taruk_exe")" &&
    wine explorer "/desktop=$desktop_name,${desktop_width}x$desktop_height" "./$(basename "$taruk_exe")" "$@" \
      >"$work/taruk.log" 2>&1 </dev/null &)
  probe wait "$main_title" 60 || fail "no window titled \"$main_title\""
  sleep 1  # its first painting
}

# Clicks the middle of control ID of the window titled TITLE.
click_control() {
  local left top width height
  read -r left top width height < <(probe rect "$1" "$2") || fail "no control $2 in \"$1\""
  xdotool mousemove $((left + width / 2)) $((top + height / 2)) click 1
}

# The whole screen, or only the window titled TITLE, as NAME.png.
screenshot() {
  local name=$1 title=${2:-} crop=()
  if [ -n "$title" ]; then
    local left top width height
    read -r left top width height < <(probe rect "$title")
    crop=(-crop "${width}x${height}+${left}+${top}" +repage)
  fi
  xwd -root -display "$DISPLAY" -out "$work/screen.xwd"
  /usr/bin/convert "xwd:$work/screen.xwd" "${crop[@]}" "$screenshots/$name.png"
}

# Opens the dialog titled TITLE by clicking control ID of the main window,
# takes its screenshot NAME and closes it with KEY.
shoot_dialog() {
  local id=$1 title=$2 name=$3 key=$4
  click_control "$main_title" "$id"
  probe wait "$title" 15 || fail "control $id opened no \"$title\""
  sleep 1
  screenshot "$name" "$title"
  xdotool key "$key"
  probe gone "$title" 15 || fail "\"$title\" did not close with $key"
}

expect_text() {
  local actual
  actual=$(probe text "$1" "$2")
  [ "$actual" = "$3" ] || fail "control $2 of \"$1\" says \"$actual\", not \"$3\""
}

# The share of white in the corner above the notification area, where the
# balloon stands.
balloon_area_white() {
  xwd -root -display "$DISPLAY" -out "$work/screen.xwd"
  /usr/bin/convert "xwd:$work/screen.xwd" -crop 320x110+$((desktop_width - 320))+$((desktop_height - 140)) +repage \
    -fill black +opaque white -format '%[fx:mean]' info:
}

# True once the balloon area is mostly white, within SECONDS.
wait_for_balloon() {
  local white
  for _ in $(seq "$1"); do
    sleep 1
    white=$(balloon_area_white)
    awk -v w="$white" 'BEGIN { exit !(w > 0.4) }' && return 0
  done
  return 1
}

# The health badge on the notification-area icon in the desktop's lower right
# corner: "caution" (amber), "bad" (red) or "good" (neither); the corner is
# kept as NAME.png.
tray_badge() {
  xwd -root -display "$DISPLAY" -out "$work/screen.xwd"
  /usr/bin/convert "xwd:$work/screen.xwd" -crop 64x32+$((desktop_width - 64))+$((desktop_height - 32)) +repage \
    "$screenshots/$1.png"
  share() {
    /usr/bin/convert "$screenshots/$1.png" -fuzz 12% -fill magenta -opaque "$2" -fill black +opaque magenta \
      -fill white -opaque magenta -format '%[fx:mean]' info:
  }
  local amber red
  amber=$(share "$1" 'rgb(240,160,0)')
  red=$(share "$1" 'rgb(210,20,20)')
  if awk -v s="$red" 'BEGIN { exit !(s > 0.01) }'; then
    echo bad
  elif awk -v s="$amber" 'BEGIN { exit !(s > 0.01) }'; then
    echo caution
  else
    echo good
  fi
}
