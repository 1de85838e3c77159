#!/usr/bin/env bash
# Taruk-Setup.exe under Wine, silent install and uninstall, three times: the
# files land in Program Files where taruk looks for them, the Start-menu entry
# and the Add/Remove Programs key are there, the installed taruk.exe runs and
# reads the installed demo drives; /RUNATSTARTUP sets the Run value, the plain
# install does not; the uninstall removes it all, and leaves a Run value that
# starts another copy. While taruk.exe runs, both refuse and change nothing.
#   bash installer.sh PATH/TO/taruk.exe BUILD_DIR   (BUILD_DIR/Taruk-Setup.exe)
# A prefix of its own: the test writes the machine-wide Run value, which the
# Win32 layer's tests use too, and must not meet another test's session.
set -euo pipefail
build=$2
setup=$build/Taruk-Setup.exe
demo=$(cd "$(dirname "$0")/../../data/demo" && pwd)
skip() { echo "skipped: $*"; exit 77; }
command -v wine >/dev/null || skip "wine is not installed"
[ -e "$setup" ] || skip "no $setup (makensis missing at configure, or the windows are off)"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "FAIL: no project version in $build/CMakeCache.txt" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/taruk-installer.XXXXXX")
export WINEPREFIX=$work/pfx WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
unset DISPLAY
finish() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap finish EXIT
# Wine's own services inherit the first wine process's stdio and would hold
# CTest's output pipe open: start the session detached.
mkdir -p "$WINEPREFIX"
wineserver -p >/dev/null 2>&1 </dev/null
wineboot --init >/dev/null 2>&1 </dev/null

drive_c=$WINEPREFIX/drive_c
folder="$drive_c/Program Files/Taruk"
exe='C:\Program Files\Taruk\taruk.exe'
shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Taruk.lnk"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Taruk'
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'

fail() { echo "FAIL: $*" >&2; exit 1; }

# reg_value KEY NAME: the value's data, or "<none>".
reg_value() {
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^    $2    REG_[A-Z_]*    //p" | grep . ||
    echo "<none>"
}
expect_value() {  # KEY NAME EXPECTED
  local got
  got=$(reg_value "$1" "$2")
  [ "$got" = "$3" ] || fail "$1 $2: '$got', expected '$3'"
}

check_installed() {
  for file in taruk.exe alarm.wav taruk.ico uninstall.exe; do
    [ -s "$folder/$file" ] || fail "$file not installed"
  done
  # alarm.wav beside taruk.exe, the demo drives in demo\ beside them.
  for file in "$demo"/*; do
    cmp -s "$file" "$folder/demo/${file##*/}" || fail "demo ${file##*/} not installed as it is"
  done
  grep -qaF "$exe" "$shortcut" || fail "no Start-menu entry for $exe"
  expect_value "$uninstall_key" DisplayName Taruk
  expect_value "$uninstall_key" DisplayVersion "$version"
  expect_value "$uninstall_key" UninstallString '"C:\Program Files\Taruk\uninstall.exe"'
  expect_value "$uninstall_key" QuietUninstallString '"C:\Program Files\Taruk\uninstall.exe" /S'
  local said
  said=$(wine "$exe" --version | tr -d '\r')
  [ "$said" = "Taruk $version" ] || fail "installed taruk.exe --version said '$said'"
  # The installed program reads the installed demo drives: all four.
  said=$(wine "$exe" --report --json --replay 'C:\Program Files\Taruk\demo' | grep -o '"index":[0-9]' | tr -d '\n')
  [ "$said" = '"index":0"index":1"index":2"index":3' ] || fail "installed demo drives report: '$said'"
}

# The uninstaller copies itself away and returns at once; its copy works on.
uninstall_and_wait() {
  # Started by its Windows path: it takes its folder from it, and compares
  # the Run value with that.
  wine 'C:\Program Files\Taruk\uninstall.exe' /S
  for _ in $(seq 300); do
    [ "$(reg_value "$uninstall_key" DisplayName)" = "<none>" ] && [ ! -e "$folder" ] && return
    sleep 0.1
  done
  fail "uninstall did not finish: $(find "$folder" 2>&1 | head -5)"
}

# option | Run value after the install | then set to (- for no change) | Run value after the uninstall
bare_exe=$exe quoted_exe="\"$exe\"" other_exe='"D:\Tools\Taruk\taruk.exe"'
cases=(
  "|<none>|$bare_exe|<none>"
  "/RUNATSTARTUP|$quoted_exe|-|<none>"
  "/RUNATSTARTUP|$quoted_exe|$other_exe|$other_exe"
)
for row in "${cases[@]}"; do
  IFS='|' read -r option installed_run set_run uninstalled_run <<<"$row"
  echo "== Taruk-Setup.exe /S $option"
  # shellcheck disable=SC2086  # the option is one word or none
  wine "$setup" /S $option || fail "install $option exited $?"
  check_installed
  expect_value "$run_key" Taruk "$installed_run"
  # The Options dialog writes the bare path; another copy writes its own.
  [ "$set_run" = - ] || wine reg add "$run_key" /v Taruk /d "$set_run" /f >/dev/null
  uninstall_and_wait
  [ ! -e "$shortcut" ] || fail "Start-menu entry left after uninstall"
  expect_value "$run_key" Taruk "$uninstalled_run"
  wine reg delete "$run_key" /v Taruk /f >/dev/null 2>&1 || true
done

# While taruk.exe runs it can be neither replaced nor deleted: the install and
# the uninstall each stop before changing anything, and say so by their exit
# code. In C:\Taruk, whose path needs no quotes: the uninstaller then runs in
# place (_?=) and its own exit code comes back.
echo "== while taruk.exe runs"
wine "$setup" /S '/D=C:\Taruk' || fail "install into C:\Taruk exited $?"
wine 'C:\Taruk\taruk.exe' --headless --replay 'C:\Taruk\demo' >/dev/null 2>&1 </dev/null &
monitor=$!
for _ in $(seq 300); do
  grep -q 'Taruk/taruk.exe' "/proc/$monitor/maps" 2>/dev/null && break
  sleep 0.1
done
grep -q 'Taruk/taruk.exe' "/proc/$monitor/maps" || fail "taruk.exe --headless did not start"
status=0
wine "$setup" /S '/D=C:\Taruk' || status=$?
[ "$status" = 2 ] || fail "install over a running taruk.exe exited $status, expected 2"
status=0
wine 'C:\Taruk\uninstall.exe' /S '_?=C:\Taruk' || status=$?
[ "$status" = 2 ] || fail "uninstall of a running taruk.exe exited $status, expected 2"
for file in taruk.exe alarm.wav demo/drive0.capture uninstall.exe; do
  [ -e "$drive_c/Taruk/$file" ] || fail "uninstall of a running taruk.exe removed $file"
done
[ "$(reg_value "$uninstall_key" DisplayName)" = Taruk ] || fail "uninstall of a running taruk.exe removed its key"
kill "$monitor"
wait "$monitor" || true
wine 'C:\Taruk\uninstall.exe' /S '_?=C:\Taruk' || fail "uninstall after taruk.exe ended exited $?"
# In place, the uninstaller cannot delete itself; the rest is gone.
[ "$(find "$drive_c/Taruk" | sort | tr '\n' ' ')" = "$drive_c/Taruk $drive_c/Taruk/uninstall.exe " ] ||
  fail "left after uninstall: $(find "$drive_c/Taruk")"
echo "installer: 3 install/uninstall rounds and the running program passed"
