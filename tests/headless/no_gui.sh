#!/usr/bin/env bash
# A taruk built without the windows (TARUK_QT=OFF): no Qt Widgets loaded,
# the window command refused in one line with a non-zero exit, and the
# monitor running one cycle without a window over the demo drives.
#   bash no_gui.sh PATH/TO/taruk
set -euo pipefail
taruk=$1
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

if ldd "$taruk" | grep -q 'libQt6Widgets'; then fail "taruk loads Qt Widgets"; fi

status=0
DISPLAY=:0 timeout 20 "$taruk" >"$work/out" 2>"$work/err" || status=$?
[ "$status" -ne 0 ] || fail "the window command succeeded without windows"
[ "$status" -ne 124 ] || fail "the window command did not end"
[ -s "$work/out" ] && fail "unexpected stdout: $(cat "$work/out")"
[ "$(wc -l <"$work/err")" = 1 ] || fail "expected one line on stderr: $(cat "$work/err")"
grep -q -- "--headless" "$work/err" || fail "the message names no mode that runs: $(cat "$work/err")"

timeout 60 "$taruk" --headless --once --replay "$top/data/demo" >"$work/out" 2>"$work/err" ||
  fail "--headless --once exited $?: $(cat "$work/err")"
grep -q "HD1: ST3160023A health: caution" "$work/err" || fail "no health notice: $(cat "$work/err")"
