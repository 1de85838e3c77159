#!/usr/bin/env bash
# Builds everything with the sanitizers and passes every test: unit tests,
# tests against real servers and file systems, end-to-end scripts, the build
# without windows, a bounded run of every fuzzer, and the Windows build with
# its tests under Wine.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

# Each step says how long it took: CI has a time budget, and the figures show
# which step to make cheaper.
started_at=$SECONDS
step() {
  local name=$1 from=$SECONDS
  shift
  echo "== $name" >&2
  "$@"
  echo "== $name: $((SECONDS - from)) s (total $((SECONDS - started_at)) s)" >&2
}

step "packages" scripts/install-deps.sh test

# Services the tests share (scripts/services/NAME.sh start|stop). Each start
# prints the environment the tests need as `export` lines.
services_env=$(mktemp)
started=()
stop_services() {
  for ((i = ${#started[@]} - 1; i >= 0; i--)); do bash "${started[i]}" stop || true; done
  rm -f "$services_env"
}
trap stop_services EXIT
start_services() {
  for service in scripts/services/*.sh; do
    [ -e "$service" ] || continue
    bash "$service" start >>"$services_env"
    started+=("$service")
  done
}
step "services" start_services
# shellcheck disable=SC1090
source "$services_env"

cmake --preset debug >/dev/null
step "debug build" cmake --build --preset debug
step "debug tests" ctest --preset debug -j "$(nproc)"

# The build without the windows (TARUK_QT=OFF): what the program does there
# instead of opening a window. Its logic tests ran above, with the sanitizers.
cmake --preset headless >/dev/null
step "headless build" cmake --build --preset headless
step "headless tests" ctest --preset headless -j "$(nproc)"

# The Debian package, built as users get it (release, under /usr), then
# installed, run and purged on this machine.
cmake --preset package >/dev/null
step "package build" cmake --build --preset package
(cd build/package && rm -f taruk_*.deb && cpack -G DEB >/dev/null)
step "package test" bash tests/package/debian_package.sh build/package/taruk_*.deb

cmake --preset fuzz >/dev/null
step "fuzz build" cmake --build --preset fuzz
step "fuzz runs" ctest --preset fuzz -j "$(nproc)"

# The Windows build, its tests under Wine.
step "windows" scripts/windows-test.sh
