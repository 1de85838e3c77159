#!/usr/bin/env bash
# Builds the program (release) and runs it. Arguments go to taruk.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
scripts/install-deps.sh build
cmake --preset release >/dev/null
cmake --build --preset release
exec build/release/taruk "$@"
