#!/usr/bin/env bash
# Installs the Debian packages a step needs, only those that are missing.
#   scripts/install-deps.sh build   packages to build and run the program
#   scripts/install-deps.sh test    the above plus what the tests need
# The lists are scripts/deps/build-*.txt and scripts/deps/test-*.txt, one
# package per line, '#' for comments. A list may come with a NAME.debconf file
# beside it: installation answers given to debconf before anything installs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
kind=${1:-build}

lists=("$here"/deps/build-*.txt)
[ "$kind" = test ] && lists+=("$here"/deps/test-*.txt)

wanted=$(cat "${lists[@]}" | sed 's/#.*//' | tr -s ' \t' '\n' | grep -v '^$' | sort -u)
missing=()
for package in $wanted; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
for list in "${lists[@]}"; do
  answers=${list%.txt}.debconf
  if [ -e "$answers" ]; then grep -v '^#' "$answers" | $sudo debconf-set-selections; fi
done
$sudo apt-get update -qq
$sudo apt-get -o DPkg::Lock::Timeout=900 install -y --no-install-recommends "${missing[@]}"
