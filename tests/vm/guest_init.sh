#!/bin/busybox sh
# /init of the test guest: mounts the kernel's file systems, loads the disk
# drivers, runs /test.sh, writes /results as a tar archive onto the results
# disk (the virtio disk, /dev/vda) and powers off.
/bin/busybox --install -s /bin
export PATH=/bin:/sbin:/usr/bin:/usr/sbin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp
for module in $(cat /etc/guest_modules); do
  insmod "/lib/guest-modules/$module.ko" || echo "guest: insmod $module failed"
done
mkdir -p /results
echo "guest: modules loaded at $(cut -d' ' -f1 /proc/uptime) s"
sh /test.sh
echo "guest: test.sh exit $? at $(cut -d' ' -f1 /proc/uptime) s"
# The virtio disk's driver probes asynchronously; wait for it briefly.
i=0
while [ ! -b /dev/vda ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
if [ -b /dev/vda ]; then
  tar -cf /dev/vda -C /results . && sync && echo "guest: results written"
else
  echo "guest: no results disk"
fi
poweroff -f
