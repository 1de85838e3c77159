#!/bin/bash
# Every include arrow points down the layers: core < linux < desktop < gui <
# cli, and core < win32 < gui/win32 (the native Windows windows). The core builds without Qt and includes no system
# header at all: what it needs from the system its headers declare, and
# linux/system and win32/system implement them.
# Usage: check_includes.sh SOURCE_DIR
set -u
src="${1:?source dir}/src"
faults=0
fault() { echo "$1"; faults=$((faults + 1)); }

# Folder, then the include prefixes its files may use. Inside the core the
# subsystems are layered too, lowest first: base, drive, settings, capture,
# mail, alarm, monitor, metrics, view.
core_order=(base drive settings capture mail alarm monitor metrics view)
rules=()
allowed=""
for part in "${core_order[@]}"; do
  allowed+=" core/$part/"
  rules+=("core/$part$allowed")
done
[ "$(ls "$src/core")" = "$(printf '%s\n' "${core_order[@]}" | sort)" ] ||
  fault "src/core holds a folder outside the order: $(ls "$src/core" | tr '\n' ' ')"
rules+=(
  "linux/system core/ linux/system/"
  "linux core/ linux/"
  "win32/system core/ win32/system/"
  "win32 core/ win32/"
  "desktop core/ linux/ desktop/"
  "gui/templates gui/templates/"
  "gui/toolkit gui/toolkit/ gui/templates/ gui/grey_level.h gui/icon_button_looks.h"
  "gui/qt core/ linux/ desktop/ gui/"
  "gui/win32 core/ win32/ gui/icon_button_looks.h gui/monitor_ids.h gui/monitor_looks.h gui/monitor_window_start.h gui/window_commands.h gui/options_ids.h gui/mail_server_ids.h gui/self_test_ids.h gui/grey_level.h gui/win32/"
  "reader core/ linux/"
)
for rule in "${rules[@]}"; do
  read -r folder allowed <<<"$rule"
  while IFS= read -r hit; do
    file=${hit%%:*}
    target=$(sed 's/.*#include "\([^"]*\)".*/\1/' <<<"$hit")
    ok=0
    for prefix in $allowed; do [[ $target == "$prefix"* ]] && ok=1; done
    ((ok)) || fault "${file#"$src"/} includes \"$target\", outside what $folder may use"
  done < <(grep -rHn '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$src/$folder")
done

# No Qt below the desktop layer.
for folder in core linux reader win32 gui/win32 gui/templates; do
  while IFS= read -r hit; do fault "Qt in ${hit#"$src"/}"; done \
    < <(grep -rHn '^[[:space:]]*#[[:space:]]*include[[:space:]]*<Q' "$src/$folder")
done

# No system header in the core: only the C++ standard library (no dot, or a
# C header's <cxxx> twin).
while IFS= read -r hit; do
  file=${hit%%:*}
  header=$(sed 's/.*#[[:space:]]*include[[:space:]]*<\([^>]*\)>.*/\1/' <<<"$hit")
  [[ $header != *.h && $header != */* ]] && continue
  # toml++ is header-only and the same on both systems (the side settings).
  [[ $header == toml++/* ]] && continue
  fault "${file#"$src"/} includes <$header>, a system header"
done < <(grep -rHn '^[[:space:]]*#[[:space:]]*include[[:space:]]*<' "$src/core")

# One source for both systems: the core chooses nothing by preprocessor.
while IFS= read -r hit; do fault "${hit#"$src"/}: the core has no #if"; done \
  < <(grep -rHnE '^[[:space:]]*#[[:space:]]*(if|ifdef|ifndef|elif)([^a-z]|$)' "$src/core")

if ((faults)); then
  echo "$faults include(s) break the layers"
  exit 1
fi
echo "the layers hold"
