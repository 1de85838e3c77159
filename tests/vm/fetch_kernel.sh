#!/usr/bin/env bash
# Brings Debian's stock kernel for the test guest into CACHE (once):
#   CACHE/vmlinux     the uncompressed kernel (boots about twice as fast under
#                     emulation as the compressed one; CACHE/vmlinuz otherwise)
#   CACHE/modules/    the modules named in guest_modules.txt and guest_late_modules.txt
# The package is downloaded, never installed. The cloud kernel lacks AHCI.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${1:?usage: fetch_kernel.sh CACHE_DIR}
mkdir -p "$cache"
cd "$cache"

modules=$(cat "$here/guest_modules.txt" "$here/guest_late_modules.txt" | sed 's/#.*//' | grep -v '^ *$')
ready=yes
for m in $modules; do [ -e "modules/$m.ko" ] || ready=no; done
{ [ -e vmlinux ] || [ -e vmlinuz ]; } || ready=no
[ $ready = yes ] && exit 0

# The versioned package that the meta-package points at today.
package=$(apt-cache depends linux-image-amd64 2>/dev/null | sed -n 's/^ *Depends: \(linux-image-[0-9].*-amd64\)$/\1/p' | head -1)
if [ -z "$package" ]; then
  [ "$(id -u)" -eq 0 ] && apt-get update -qq
  package=$(apt-cache depends linux-image-amd64 | sed -n 's/^ *Depends: \(linux-image-[0-9].*-amd64\)$/\1/p' | head -1)
fi
[ -n "$package" ] || { echo "fetch_kernel: apt-cache knows no linux-image-amd64" >&2; exit 1; }

rm -rf deb unpacked modules vmlinux vmlinuz
mkdir deb unpacked modules
# apt's sandbox user cannot write here; the download runs unsandboxed instead.
(cd deb && apt-get download -q "$package" 2>&1 | grep -v 'unsandboxed' >&2) || true
deb=$(ls deb/*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { echo "fetch_kernel: apt-get download $package failed" >&2; exit 1; }

patterns=("./boot/vmlinuz-*")
for m in $modules; do patterns+=("*/$m.ko"); done
dpkg-deb --fsys-tarfile "$deb" | tar -x -C unpacked --wildcards "${patterns[@]}"
for m in $modules; do
  found=$(find unpacked -name "$m.ko" | head -1)
  [ -n "$found" ] || { echo "fetch_kernel: $package has no module $m" >&2; exit 1; }
  cp "$found" modules/
done

compressed=$(ls unpacked/boot/vmlinuz-* | head -1)
# The payload of a bzImage is an xz stream; start at its magic number and let
# xz stop at the end of the stream (the rest of the file is not part of it).
offset=$(LC_ALL=C grep -obUaP '\xFD7zXZ\x00' "$compressed" | head -1 | cut -d: -f1 || true)
if [ -n "$offset" ] && tail -c +$((offset + 1)) "$compressed" >payload.xz &&
   xz -dc --single-stream payload.xz >vmlinux.part 2>/dev/null &&
   [ "$(head -c 4 vmlinux.part | od -An -c | tr -d ' ')" = '177ELF' ]; then
  mv vmlinux.part vmlinux
else
  rm -f vmlinux.part
  cp "$compressed" vmlinuz
fi
rm -rf deb unpacked payload.xz
