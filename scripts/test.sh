#!/usr/bin/env bash
# Builds everything with the sanitizers and passes every test: unit tests,
# tests against real servers and file systems, end-to-end scripts, the build
# without windows, a bounded run of every fuzzer, and the Windows build with
# its tests under Wine.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
scripts/install-deps.sh test

# Services the tests share (scripts/services/NAME.sh start|stop). Each start
# prints the environment the tests need as `export` lines.
services_env=$(mktemp)
started=()
stop_services() {
  for ((i = ${#started[@]} - 1; i >= 0; i--)); do bash "${started[i]}" stop || true; done
  rm -f "$services_env"
}
trap stop_services EXIT
for service in scripts/services/*.sh; do
  [ -e "$service" ] || continue
  bash "$service" start >>"$services_env"
  started+=("$service")
done
# shellcheck disable=SC1090
source "$services_env"

cmake --preset debug >/dev/null
cmake --build --preset debug
ctest --preset debug -j "$(nproc)"

# The build without the windows (TARUK_GUI=OFF): the program and its logic
# tests, and what the program does there instead of opening a window.
cmake --preset headless >/dev/null
cmake --build --preset headless
ctest --preset headless -j "$(nproc)"

# The Debian package, built as users get it (release, under /usr), then
# installed, run and purged on this machine.
cmake --preset package >/dev/null
cmake --build --preset package
(cd build/package && rm -f taruk_*.deb && cpack -G DEB >/dev/null)
bash tests/package/debian_package.sh build/package/taruk_*.deb

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz -j "$(nproc)"

# The Windows build, its tests under Wine.
scripts/windows-test.sh
