# Runs inside the test guest as /test.sh (see tests/e2e/qemu_drives.sh): the
# live drive path against QEMU's emulated disks, with smartctl (and nvme-cli
# for the NVMe drive) as the peers.
# Everything lands in /results for the host to compare.
R=/results
T=/opt/taruk          # taruk, taruk-smart-reader, taruk_linux_tests as built
as_user() { /usr/bin/setpriv --reuid=1000 --regid=1000 --clear-groups "$@"; }
# Milliseconds since boot (busybox date has no sub-second format).
now_ms() { awk '{ printf "%d\n", $1 * 1000 }' /proc/uptime; }

# The second boot (its identities moved between ports): the report and the
# peer's view of each drive, nothing more.
if grep -q 'taruk.boot=second' /proc/cmdline; then
  i=0
  while [ $i -lt 150 ]; do
    [ -e /sys/block/nvme0n1 ] && [ -e /sys/block/nvme1n1 ] && [ -e /sys/block/sda ] && [ -e /sys/block/sdb ] && break
    sleep 0.1
    i=$((i + 1))
  done
  $T/taruk --report --json >$R/report.json 2>$R/report.err
  for name in sda sdb; do smartctl -j -i /dev/$name >$R/smartctl-$name.json; done
  for name in nvme0 nvme1; do smartctl -j -i /dev/$name >$R/smartctl-$name.json; done
  exit 0
fi

# The NVMe drives, two hard disks, the optical drive and the results disk; the
# SCSI scan runs asynchronously after the modules load.
i=0
while [ $i -lt 150 ]; do
  [ -e /sys/block/nvme0n1 ] && [ -e /sys/block/nvme1n1 ] && [ -e /sys/block/sda ] && [ -e /sys/block/sdb ] && [ -e /sys/block/sr0 ] && [ -e /sys/block/vda ] && break
  sleep 0.1
  i=$((i + 1))
done
# The second NVMe controller waits unbound until the late cases, so that the
# cases below see the drives and numbers they were written for.
second_nvme=$(readlink -f /sys/class/nvme/nvme1/device)
echo "${second_nvme##*/}" >/sys/bus/pci/drivers/nvme/unbind
ls /sys/block >$R/block-devices.txt

for disk in /sys/block/sd*; do
  name=${disk##*/}
  smartctl -j -i -A /dev/$name >$R/smartctl-$name.json
done
# smartctl gives the size only for the namespace, the health log for the
# controller.
smartctl -j -a /dev/nvme0 >$R/nvme-smartctl.json 2>$R/nvme-smartctl.err
smartctl -j -i /dev/nvme0n1 >$R/nvme-smartctl-namespace.json 2>&1
nvme smart-log -o json /dev/nvme0 >$R/nvme-smart-log.json 2>$R/nvme-smart-log.err

# As root: straight through SG_IO and the NVMe admin ioctl.
start=$(now_ms)
$T/taruk --report --json >$R/report.json 2>$R/report-json.err
echo $? >$R/report-json.rc
echo $(($(now_ms) - start)) >$R/report-json.ms
$T/taruk --report >$R/report.txt 2>&1
echo $? >$R/report.rc
mkdir -p $R/capture
echo "# left from an earlier run" >$R/capture/drive3.capture
$T/taruk --capture $R/capture >$R/capture.out 2>$R/capture.err
echo $? >$R/capture.rc

# As an unprivileged user, through the reader. The root file system of the
# guest keeps no extended attributes, so the readers live on a tmpfs.
mkdir -p /srv && mount -t tmpfs -o mode=755 tmpfs /srv
mkdir -p /srv/with-caps /srv/without-caps /srv/no-reader
for folder in /srv/with-caps /srv/without-caps; do
  cp $T/taruk $T/taruk-smart-reader $folder/
  chmod 755 $folder $folder/*
done
cp $T/taruk /srv/no-reader/ && chmod 755 /srv/no-reader /srv/no-reader/taruk
setcap cap_sys_rawio,cap_sys_admin,cap_dac_read_search=ep /srv/with-caps/taruk-smart-reader
getcap /srv/with-caps/taruk-smart-reader >$R/getcap.txt 2>&1
mkdir -p $R/user && chown 1000:1000 $R/user

as_user /srv/with-caps/taruk --capture $R/user/capture >$R/user/capture.out 2>$R/user/capture.err
echo $? >$R/user/capture.rc
as_user /srv/with-caps/taruk --report --json >$R/user/report.json 2>$R/user/report-json.err
echo $? >$R/user/report-json.rc
for n in 0 1 2 3 1000; do
  as_user /srv/with-caps/taruk-smart-reader $n >$R/user/reader-$n.out 2>$R/user/reader-$n.err
  echo $? >$R/user/reader-$n.rc
done
start=$(now_ms)
for k in 1 2 3 4 5; do as_user /srv/with-caps/taruk-smart-reader 1 >/dev/null 2>&1; done
echo $((($(now_ms) - start) / 5)) >$R/user/reader-run.ms
start=$(now_ms)
for k in 1 2 3 4 5; do as_user /srv/with-caps/taruk-smart-reader 0 >/dev/null 2>&1; done
echo $((($(now_ms) - start) / 5)) >$R/user/nvme-reader-run.ms

as_user /srv/without-caps/taruk-smart-reader 1 >$R/user/nocaps-reader.out 2>$R/user/nocaps-reader.err
echo $? >$R/user/nocaps-reader.rc
as_user /srv/without-caps/taruk --report >$R/user/nocaps-report.txt 2>&1
echo $? >$R/user/nocaps-report.rc
# A readable node without CAP_SYS_RAWIO: the open succeeds, the pass-through does not.
chmod 644 /dev/sda /dev/sdb
as_user /srv/without-caps/taruk-smart-reader 1 >$R/user/readable-node.out 2>$R/user/readable-node.err
echo $? >$R/user/readable-node.rc
chmod 600 /dev/sda /dev/sdb
# No reader at all: sysfs still gives the NVMe drive's identity, size and
# temperature.
as_user /srv/no-reader/taruk --report --json >$R/user/noreader-report.json 2>$R/user/noreader-report.err
echo $? >$R/user/noreader-report.rc
# The log once more, after taruk's reads: admin commands move no counter.
nvme smart-log -o json /dev/nvme0 >$R/nvme-smart-log-after.json 2>&1

# The device layer itself against the kernel, with per-request timing.
disks=""
for disk in /sys/block/sd*; do disks="$disks /dev/${disk##*/}"; done
TARUK_VM_DISKS="$disks" TARUK_VM_OPTICAL=/dev/sr0 TARUK_VM_SERIALS="$(cat /etc/expected-serials)" \
  $T/taruk_linux_tests --gtest_also_run_disabled_tests --gtest_filter='DISABLED_EmulatedDrives*' \
  >$R/gtest.txt 2>&1
echo $? >$R/gtest.rc
# The CPU of a pass over every drive, and of a whole cycle, as root and as
# the packaged service does it, through one serving reader, in turn.
$T/taruk_linux_tests --gtest_also_run_disabled_tests --gtest_filter='DISABLED_GuestCycleCpu.RoundTrip*' \
  >$R/round-trip.txt 2>&1
TARUK_VM_READER=/srv/with-caps/taruk-smart-reader $T/taruk_linux_tests --gtest_also_run_disabled_tests \
  --gtest_filter='DISABLED_GuestCycleCpu.RootAndReaderInTurn' >$R/cpu-in-turn.txt 2>&1

# Self-tests, after every comparison above so that they see the drives
# untouched. QEMU's hard disks finish short and extended tests at once and
# log them at hour 4660; they refuse conveyance tests and the abort. Its NVMe
# drive has no self-test. The reader only reads: no test through it.
for test in short extended conveyance abort; do
  $T/taruk --self-test $test --drive 1 >$R/selftest-1-$test.out 2>&1
  echo $? >$R/selftest-1-$test.rc
done
for drive in 0 2; do
  $T/taruk --self-test short --drive $drive >$R/selftest-$drive-short.out 2>&1
  echo $? >$R/selftest-$drive-short.rc
done
as_user /srv/with-caps/taruk --self-test short --drive 1 >$R/user/selftest.out 2>&1
echo $? >$R/user/selftest.rc
$T/taruk --report --json >$R/report-selftest.json 2>/dev/null
$T/taruk --report >$R/report-selftest.txt 2>&1
as_user /srv/with-caps/taruk --report --json >$R/user/report-selftest.json 2>/dev/null
for disk in /sys/block/sd*; do
  name=${disk##*/}
  smartctl -l selftest -l error /dev/$name >$R/selftest-smartctl-$name.txt 2>&1
  smartctl -j -i -l selftest -l error /dev/$name >$R/selftest-smartctl-$name.json 2>&1
done

# Can QEMU be made to report standby? STANDBY IMMEDIATE (smartctl), then ask
# again, smartctl and taruk both.
smartctl -s standby,now /dev/sda >$R/standby-now.txt 2>&1
smartctl -n standby -i /dev/sda >$R/standby-check.txt 2>&1
$T/taruk --report --json >$R/report-after-standby.json 2>/dev/null

# A SCSI disk that answers LOG SENSE: the kernel's scsi_debug, loaded last so
# that the disks above keep their names and numbers. Its informational
# exceptions control page's TEST bit (set here with MODE SELECT, never by
# taruk) makes it report a failure prediction.
S=$R/scsi
mkdir -p $S
start=$(now_ms)
if [ -e /lib/guest-modules/scsi_debug.ko ] && insmod /lib/guest-modules/scsi_debug.ko dev_size_mb=16 2>$S/insmod.err; then
  dev=""
  i=0
  while [ -z "$dev" ] && [ $i -lt 100 ]; do
    for d in /sys/block/sd*; do grep -q scsi_debug $d/device/model 2>/dev/null && dev=/dev/${d##*/}; done
    [ -n "$dev" ] || sleep 0.1
    i=$((i + 1))
  done
  echo "$dev" >$S/device
  smartctl -a $dev >$S/smartctl.txt 2>&1
  $T/taruk --report --json >$S/report.json 2>$S/report.err
  $T/taruk --report >$S/report.txt 2>&1
  as_user /srv/with-caps/taruk --report --json >$S/user-report.json 2>/dev/null
  $T/taruk --capture $S/capture >/dev/null 2>&1
  # Self-tests and the grown defect list, as taruk and smartctl see them.
  hd=$(awk -v dev="$dev" '/^HD[0-9]+: / { n = substr($1, 3); sub(/:$/, "", n) } $0 == "Device: " dev { print n }' $S/report.txt)
  $T/taruk --self-test short --drive "${hd:-0}" >$S/selftest-short.out 2>&1
  echo $? >$S/selftest-short.rc
  # The abort is sent whatever the disk offers: SEND DIAGNOSTIC through SG_IO.
  $T/taruk --self-test abort --drive "${hd:-0}" >$S/selftest-abort.out 2>&1
  echo $? >$S/selftest-abort.rc
  smartctl -l selftest -l defects $dev >$S/smartctl-selftest.txt 2>&1
  sg_wr_mode --page=0x1c --contents=0,0,4 --mask=0,0,4 $dev >$S/sg_wr_mode.txt 2>&1
  echo $? >$S/sg_wr_mode.rc
  smartctl -a $dev >$S/smartctl-failing.txt 2>&1
  $T/taruk --report --json >$S/report-failing.json 2>/dev/null
  $T/taruk --report >$S/report-failing.txt 2>&1
  # One cycle of the monitor itself over the failing disk: its metrics, and
  # its health alarm (a notification, logged on stderr: no desktop here).
  $T/taruk --headless --once --metrics-file $S/metrics-failing.prom >$S/headless-failing.out 2>&1
  # Stopped as the system spins a disk down (START STOP UNIT), the disk says
  # so in REQUEST SENSE: taruk leaves it asleep.
  sg_start --stop $dev >$S/sg_start.txt 2>&1
  $T/taruk --report --json >$S/report-stopped.json 2>/dev/null
  smartctl -n standby -i $dev >$S/smartctl-stopped.txt 2>&1
  sg_start --start $dev >>$S/sg_start.txt 2>&1
else
  echo "this guest kernel has no scsi_debug module" >$S/skipped
fi
echo $(($(now_ms) - start)) >$S/case.ms

# Every drive: the second NVMe controller bound again, then disks behind
# QEMU's USB bridges, usb-storage (46f4:0001) and usb-uas (46f4:0003) on its
# xHCI controller, loaded last so that every disk above kept its name.
# Neither bridge passes ATA PASS-THROUGH: taruk asks each once per run
# (the host counts the commands QEMU saw) and reads the disk with SCSI
# commands. smartctl is told the type, as it refuses an unknown bridge.
U=$R/usb
mkdir -p $U
start=$(now_ms)
echo "${second_nvme##*/}" >/sys/bus/pci/drivers/nvme/bind
for module in usb-common usbcore xhci-hcd xhci-pci usb-storage uas; do
  insmod /lib/guest-modules/$module.ko 2>>$U/insmod.err
done
usb_disks() {
  for d in /sys/block/sd*; do
    case "$(readlink -f $d/device)" in */usb*) echo /dev/${d##*/} ;; esac
  done
}
i=0
while { [ "$(usb_disks | wc -l)" -lt 3 ] || [ ! -e /sys/block/nvme1n1 ]; } && [ $i -lt 200 ]; do
  sleep 0.1
  i=$((i + 1))
done
usb_disks >$U/devices
ls /sys/block >$U/block-devices.txt
for dev in $(cat $U/devices); do
  smartctl -d scsi -j -i $dev >$U/smartctl-${dev##*/}.json 2>&1
  smartctl -a $dev >$U/smartctl-a-${dev##*/}.txt 2>&1
done
for disk in /sys/block/sd*; do
  name=${disk##*/}
  grep -qx /dev/$name $U/devices || smartctl -j -i /dev/$name >$U/smartctl-$name.json 2>&1
done
for name in nvme0 nvme1; do smartctl -j -i /dev/$name >$U/smartctl-$name.json 2>&1; done
# Six runs that reach the USB disks (the device tests make two, one
# through the reader): each probes each bridge once.
$T/taruk --report --json >$U/report.json 2>$U/report.err
$T/taruk --report >$U/report.txt 2>&1
as_user /srv/with-caps/taruk --report --json >$U/user-report.json 2>$U/user-report.err
TARUK_VM_USB_DISKS="$(cat $U/devices)" TARUK_VM_READER=/srv/with-caps/taruk-smart-reader \
  $T/taruk_linux_tests --gtest_also_run_disabled_tests \
  --gtest_filter='DISABLED_UsbBridges*' >$U/gtest.txt 2>&1
echo $? >$U/gtest.rc
$T/taruk --capture $U/capture >/dev/null 2>&1
echo $(($(now_ms) - start)) >$U/case.ms
