#!/usr/bin/env bash
# `cmake --install` puts the program, its menu entry and icon, and the demo
# drives where the installed program finds them: run from PREFIX/bin, with no
# drive readable, it shows PREFIX/share/taruk/demo.
#   bash install_layout.sh TARUK BUILD_DIR
set -euo pipefail
build=$2
work=$(mktemp -d)
trap 'kill "${pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
prefix="$work/prefix"

cmake --install "$build" --prefix "$prefix" >"$work/install.log"
for file in bin/taruk share/applications/taruk.desktop share/icons/hicolor/scalable/apps/taruk.svg \
            share/taruk/demo/drive0.capture share/taruk/demo/volumes \
            share/taruk/prometheus/taruk-rules.yml lib/systemd/system/taruk.service share/man/man1/taruk.1.gz; do
  [ -e "$prefix/$file" ] || { echo "not installed: $file"; cat "$work/install.log"; exit 1; }
done
# The monitor's two modes are programs that taruk runs from libexec/taruk.
for program in taruk-headless taruk-window; do
  if [ -e "$build/$program" ] && [ ! -x "$prefix/libexec/taruk/$program" ]; then
    echo "not installed: libexec/taruk/$program"; exit 1
  fi
  # Each runs its own mode only: a one-shot mode is taruk's, said plainly.
  if [ -e "$build/$program" ]; then
    status=0
    "$prefix/libexec/taruk/$program" --version >/dev/null 2>"$work/refused" || status=$?
    [ "$status" = 2 ] && grep -q 'run taruk$' "$work/refused" \
      || { echo "$program ran taruk --version (exit $status)"; cat "$work/refused"; exit 1; }
  fi
done
if [ -e "$build/alarm.wav" ]; then
  [ -e "$prefix/bin/alarm.wav" ] || { echo "alarm.wav is not installed beside the executable"; exit 1; }
fi
grep -qx 'Exec=taruk' "$prefix/share/applications/taruk.desktop"
grep -q "^ExecStart=$prefix/bin/taruk --headless " "$prefix/lib/systemd/system/taruk.service" \
  || { echo "the unit does not start the installed taruk"; exit 1; }
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/taruk.desktop"
fi

if "$prefix/bin/taruk" --report 2>/dev/null | grep -q '^HD'; then
  echo "this machine has a readable drive: the demo fallback is not exercised here"
  exit 0
fi
export QT_QPA_PLATFORM=offscreen APPDATA="$work/appdata" XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
"$prefix/bin/taruk" 2>"$work/stderr" &
pid=$!
for _ in $(seq 100); do grep -q "demo drives" "$work/stderr" && break; sleep 0.1; done
kill -0 "$pid" || { echo "the installed taruk ended:"; cat "$work/stderr"; exit 1; }
grep -q "showing the demo drives from $prefix/share/taruk/demo" "$work/stderr" \
  || { echo "the installed taruk did not find its demo drives:"; cat "$work/stderr"; exit 1; }
echo "passed: $(cat "$work/stderr")"
