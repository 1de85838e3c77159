#!/usr/bin/env bash
# The window's resident memory after it has run a while: `taruk --replay` on
# the demo drives, each run on its own Xvfb display with its own session bus
# and an empty home, all runs at once. Prints each run's Rss from
# /proc/PID/smaps_rollup, then the median; with --maps, the largest resident
# mappings of the median run. With --empty, the same for an empty Qt window
# (bench_empty_window), the floor the window is measured against; with
# --empty-text, for a window with one line of text, the floor once a font
# is loaded.
#
#   bench/window_rss.sh [--build DIR] [--runs N] [--seconds S] [--maps] [--empty|--empty-text] [-- taruk arguments]
#
# The environment is passed on, so QT_* variables can be tried here.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$top/build/release
runs=5
seconds=60
maps=0
empty=
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --maps) maps=1; shift ;;
    --empty) empty=bare; shift ;;
    --empty-text) empty=text; shift ;;
    --) shift; break ;;
    *) echo "window_rss.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
program=$build/taruk
if [ -n "$empty" ]; then
  program=$build/bench/bench_empty_window
  if [ "$empty" = text ]; then set -- --text; else set --; fi
elif [ $# -eq 0 ]; then
  set -- --replay "$top/data/demo"
fi
for tool in Xvfb dbus-run-session; do
  command -v $tool >/dev/null || { echo "window_rss.sh: $tool is missing" >&2; exit 2; }
done

work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait; rm -rf "$work"' EXIT

# One run: Xvfb picks a free display and writes its number to fd 3.
start_run() {
  local dir=$work/run$1
  shift
  mkdir -p "$dir/home"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" 2>/dev/null &
  pids+=($!)
  for _ in $(seq 50); do [ -s "$dir/display" ] && break; sleep 0.1; done
  HOME=$dir/home XDG_CONFIG_HOME=$dir/home/.config XDG_RUNTIME_DIR=$dir DISPLAY=:$(cat "$dir/display") \
    dbus-run-session -- sh -c 'echo $$ > "$0"; exec "$@"' "$dir/pid" "$program" "$@" \
    >"$dir/out" 2>&1 &
  pids+=($!)
}

for run in $(seq "$runs"); do start_run "$run" "$@"; done
sleep "$seconds"

results=()
for run in $(seq "$runs"); do
  pid=$(cat "$work/run$run/pid")
  if ! rss=$(awk '/^Rss:/ {print $2}' "/proc/$pid/smaps_rollup" 2>/dev/null); then
    echo "run $run: the window is gone:" >&2
    cat "$work/run$run/out" >&2
    exit 1
  fi
  cp "/proc/$pid/smaps" "$work/run$run/smaps"
  results+=("$rss $run")
  printf 'run %d: %d kB\n' "$run" "$rss"
done
median=$(printf '%s\n' "${results[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")
printf 'median: %.2f MB (%d kB)\n' "$(echo "${median% *} / 1024" | bc -l)" "${median% *}"

if [ "$maps" = 1 ]; then
  # Each mapping's file (or kind) with its resident kB, summed by name.
  awk '/^[0-9a-f]+-[0-9a-f]+ / {name = ($6 == "") ? "[anon]" : $6}
       /^Rss:/ {rss[name] += $2}
       END {for (n in rss) if (rss[n] >= 64) printf "%8d kB  %s\n", rss[n], n}' \
    "$work/run${median#* }/smaps" | sort -rn
fi
