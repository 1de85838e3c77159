#!/usr/bin/env bash
# Packs a test guest's initramfs: STAGING (a tree holding /test.sh and the
# programs it runs) plus busybox, the kernel modules from KERNEL_CACHE, every
# shared library the staged programs load (found with ldd, so sanitized debug
# builds run as they are) and /init.
#   build_initramfs.sh STAGING KERNEL_CACHE OUT.cpio
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
staging=${1:?usage: build_initramfs.sh STAGING KERNEL_CACHE OUT.cpio}
cache=${2:?}
out=${3:?}
[ -e "$staging/test.sh" ] || { echo "build_initramfs: $staging/test.sh missing" >&2; exit 1; }

mkdir -p "$staging"/{bin,sbin,usr/bin,usr/sbin,etc,proc,sys,dev,tmp,lib/guest-modules}
cp /bin/busybox "$staging/bin/busybox"
cp "$here/guest_init.sh" "$staging/init"
chmod 755 "$staging/init"
sed 's/#.*//' "$here/guest_modules.txt" | grep -v '^ *$' >"$staging/etc/guest_modules"
while read -r module; do cp "$cache/modules/$module.ko" "$staging/lib/guest-modules/"; done <"$staging/etc/guest_modules"
# Carried, not loaded at boot: the test loads these itself.
for module in $(sed 's/#.*//' "$here/guest_late_modules.txt"); do
  cp "$cache/modules/$module.ko" "$staging/lib/guest-modules/"
done

# Shared libraries, at the paths the dynamic loader looks for them.
find "$staging" -type f -perm -u+x ! -name '*.ko' ! -path '*/lib/*' -print0 |
  while IFS= read -r -d '' program; do
    head -c 4 "$program" | grep -q 'ELF' || continue
    ldd "$program" 2>/dev/null | grep -o '/[^ )]*' || true
  done | sort -u | while read -r library; do
    mkdir -p "$staging$(dirname "$library")"
    [ -e "$staging$library" ] || cp -L "$library" "$staging$library"
  done

# A user for the unprivileged runs.
[ -e "$staging/etc/passwd" ] || printf 'root:x:0:0::/:/bin/sh\nuser:x:1000:1000::/tmp:/bin/sh\n' >"$staging/etc/passwd"
[ -e "$staging/etc/group" ] || printf 'root:x:0:\nuser:x:1000:\n' >"$staging/etc/group"

# Uncompressed: the guest unpacks it at memory speed, where decompressing
# under emulation would cost seconds.
(cd "$staging" && find . -print0 | LC_ALL=C sort -z | cpio --null -o -H newc --quiet) >"$out"
