#!/usr/bin/env bash
# The alerting rules shipped in res/prometheus are valid, and each alert
# fires on the series it is meant for and not on its neighbours
# (tests/data/taruk-rules-test.yml).
#   bash prometheus_rules.sh TARUK BUILD_DIR
set -euo pipefail
command -v promtool >/dev/null || { echo "skipped: promtool is not installed (Debian prometheus)"; exit 77; }
top=$(cd "$(dirname "$0")/../.." && pwd)
promtool check rules "$top/res/prometheus/taruk-rules.yml"
promtool test rules "$top/tests/data/taruk-rules-test.yml"
