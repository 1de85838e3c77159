#!/bin/bash
# Every include arrow points down the layers: core < linux < desktop < gui <
# cli. The core builds without Qt, and the platform headers it still uses are
# listed below, one by one, so that a port to another system knows them all.
# Usage: check_includes.sh SOURCE_DIR
set -u
src="${1:?source dir}/src"
faults=0
fault() { echo "$1"; faults=$((faults + 1)); }

# Folder, then the include prefixes its files may use.
rules=(
  "core core/"
  "linux core/ linux/"
  "win32 core/ win32/"
  "desktop core/ linux/ desktop/"
  "gui/toolkit gui/toolkit/"
  "gui/windows core/ linux/ desktop/ gui/"
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
for folder in core linux reader; do
  while IFS= read -r hit; do fault "Qt in ${hit#"$src"/}"; done \
    < <(grep -rHn '^[[:space:]]*#[[:space:]]*include[[:space:]]*<Q' "$src/$folder")
done

# The POSIX headers the core uses today: the places a Windows port must change.
posix_in_core=(
  "base/atomic_file.cpp dirent.h fcntl.h sys/file.h sys/stat.h unistd.h"
  "base/atomic_file.h sys/types.h"
  "base/executable_path.cpp unistd.h"
  "base/iconv_converter.h iconv.h"
  "base/small_text_file.cpp errno.h fcntl.h sys/stat.h unistd.h"
  "base/stop_request.cpp poll.h unistd.h"
  "mail/mail_text.cpp locale.h"
  "mail/smtp_client.cpp unistd.h"
  "mail/tcp_connection.cpp arpa/inet.h netdb.h netinet/in.h netinet/tcp.h poll.h sys/socket.h unistd.h"
  "monitor/settings_file.cpp fcntl.h sys/stat.h unistd.h"
  "monitor/settings_format.cpp unistd.h"
  "monitor/settings_location.cpp pwd.h unistd.h"
)
while IFS= read -r hit; do
  file=${hit%%:*}
  file=${file#"$src"/core/}
  header=$(sed 's/.*#[[:space:]]*include[[:space:]]*<\([^>]*\)>.*/\1/' <<<"$hit")
  # The C++ standard library: no dot, or a C header with a <cxxx> twin.
  [[ $header != *.h && $header != */* ]] && continue
  listed=0
  for entry in "${posix_in_core[@]}"; do
    read -r where headers <<<"$entry"
    [[ $where == "$file" && " $headers " == *" $header "* ]] && listed=1
  done
  ((listed)) || fault "core/$file includes <$header>, a platform header not listed in ${0##*/}"
done < <(grep -rHn '^[[:space:]]*#[[:space:]]*include[[:space:]]*<' "$src/core")

if ((faults)); then
  echo "$faults include(s) break the layers"
  exit 1
fi
echo "the layers hold"
