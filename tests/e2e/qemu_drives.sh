#!/usr/bin/env bash
# The live drive path end to end on disks nobody here wrote: a QEMU guest with
# two NVMe drives, an AHCI hard disk, an IDE hard disk of another identity, an
# ATAPI optical drive, disks behind QEMU's usb-storage and usb-uas bridges and
# a virtio disk (which carries the results back); a second boot with the
# identities moved between the ports.
# Inside, as root, as an unprivileged user through taruk-smart-reader and as
# one with no reader at all, taruk reads the drives; smartctl and nvme-cli
# read them too. Here they are compared, and the captures are replayed.
#   bash qemu_drives.sh <path of taruk> <build dir>
set -euo pipefail
taruk=$(realpath "${1:?usage: qemu_drives.sh TARUK BUILD_DIR}")
build=$(realpath "${2:?}")
here=$(cd "$(dirname "$0")" && pwd)
vm=$here/../vm
bin=$(dirname "$taruk")
started=$(date +%s%N)

if ! command -v qemu-system-x86_64 >/dev/null || ! qemu-system-x86_64 -machine help >/dev/null 2>&1; then
  echo "SKIP: this machine cannot run qemu-system-x86_64 (install scripts/deps/test-vm.txt)"
  exit 77
fi
for needed in "$bin/taruk-headless" "$bin/taruk-smart-reader" "$build/taruk_linux_tests"; do
  [ -x "$needed" ] || { echo "FAIL: $needed is not built"; exit 1; }
done
for tool in busybox smartctl nvme setcap getcap setpriv sg_wr_mode sg_start cpio /usr/bin/python3; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool missing (scripts/install-deps.sh test)"; exit 1; }
done

work=$build/e2e-qemu-drives
rm -rf "$work"
mkdir -p "$work"
bash "$vm/fetch_kernel.sh" "$build/vm-cache"
kernel=$build/vm-cache/vmlinux
[ -e "$kernel" ] || kernel=$build/vm-cache/vmlinuz

# The identities QEMU reports; the longest fill their fields exactly (40, 20, 8).
ahci_model="Taruk AHCI Test Disk of forty characters"
ahci_serial="TRK-AHCI-00000000001"
ahci_firmware="AH-1.0.0"
ide_model="Taruk IDE Disk"
ide_serial="TRK-IDE-2"
ide_firmware="ID2"
# QEMU's NVMe controller takes a serial only: its model is "QEMU NVMe Ctrl"
# and its firmware QEMU's version.
nvme_serial="TRK-NVME-00000000001"
nvme2_serial="TRK-NVME-2"
usb_serial="TRK-USB-BOT-1"
uas_serial="TRK-USB-UAS-1"
uas2_serial="TRK-USB-UAS-2"
truncate -s 10G "$work/ahci.img"          # 1305 cylinders: 10 GB 733 MB
truncate -s 3000000000 "$work/ide.img"    # 364 cylinders: 2 GB 994 MB
truncate -s 10G "$work/nvme.img"
truncate -s 2G "$work/nvme2.img"
truncate -s 1G "$work/usb.img"
truncate -s 1500M "$work/uas.img"
truncate -s 512M "$work/uas2.img"

root=$work/root
mkdir -p "$root/opt/taruk" "$root/usr/sbin" "$root/usr/bin" "$root/etc"
cp "$taruk" "$bin/taruk-headless" "$bin/taruk-smart-reader" "$build/taruk_linux_tests" "$root/opt/taruk/"
cp "$(command -v smartctl)" "$(command -v nvme)" "$(command -v setcap)" "$(command -v getcap)" "$root/usr/sbin/"
cp "$(command -v setpriv)" "$root/usr/bin/"
# MODE SELECT for the SCSI case's failure bit, and START STOP UNIT to stop
# its disk, sent by the test alone.
cp "$(command -v sg_wr_mode)" "$(command -v sg_start)" "$root/usr/bin/"
cp "$vm/drives_guest.sh" "$root/test.sh"
echo "$ahci_serial $ide_serial" >"$root/etc/expected-serials"
bash "$vm/build_initramfs.sh" "$root" "$build/vm-cache" "$work/initramfs.cpio"

# Emulated (TCG) on purpose: it needs no /dev/kvm, and a nested KVM can hang.
# One boot of the guest: BOOT names it (its results image, console and QEMU
# log), the rest are the identities of the AHCI disk, the IDE disk and the
# two NVMe drives, then extra arguments for QEMU. TARUK_VM_TIMEOUT: the
# seconds one boot may take (300; more on a machine busy with other work).
boot() {
  local name=$1 ahci_identity=$2 ide_identity=$3 nvme_a=$4 nvme_b=$5
  shift 5
  truncate -s 32M "$work/$name.img"
  timeout --kill-after=10 "${TARUK_VM_TIMEOUT:-300}" qemu-system-x86_64 \
    -machine pc,accel=tcg -m 1024 -smp 1 -nodefaults -display none -no-reboot \
    -kernel "$kernel" -initrd "$work/initramfs.cpio" \
    -append "console=ttyS0 quiet loglevel=3 panic=-1 taruk.boot=$name" \
    -serial "file:$work/$name-console.log" \
    -device ahci,id=ahci \
    -drive "if=none,id=ahci0,file=$work/ahci.img,format=raw" \
    -device "ide-hd,drive=ahci0,bus=ahci.0,$ahci_identity,rotation_rate=7200" \
    -drive "if=none,id=ide0,file=$work/ide.img,format=raw" \
    -device "ide-hd,drive=ide0,bus=ide.0,unit=0,$ide_identity" \
    -drive "if=none,id=nv0,file=$work/nvme.img,format=raw" -device "nvme,drive=nv0,serial=$nvme_a" \
    -drive if=none,id=cd0,media=cdrom -device ide-cd,drive=cd0,bus=ide.1,unit=0 \
    -drive "if=none,id=results,file=$work/$name.img,format=raw" -device virtio-blk-pci,drive=results \
    -drive "if=none,id=nv1,file=$work/nvme2.img,format=raw" -device "nvme,drive=nv1,serial=$nvme_b" \
    "$@" >"$work/$name-qemu.log" 2>&1
}
ahci_identity="model=$ahci_model,serial=$ahci_serial,ver=$ahci_firmware"
ide_identity="model=$ide_model,serial=$ide_serial,ver=$ide_firmware"

boot_started=$(date +%s%N)
status=0
# QEMU's own bridges: usb-storage and usb-uas on its xHCI controller. The
# trace lists every SCSI command their disks were sent.
boot results "$ahci_identity" "$ide_identity" "$nvme_serial" "$nvme2_serial" \
  -device qemu-xhci,id=xhci \
  -drive "if=none,id=usb0,file=$work/usb.img,format=raw" \
  -device "usb-storage,bus=xhci.0,drive=usb0,serial=$usb_serial" \
  -device usb-uas,id=uas,bus=xhci.0 \
  -drive "if=none,id=uas0,file=$work/uas.img,format=raw" \
  -device "scsi-hd,bus=uas.0,scsi-id=0,lun=0,drive=uas0,serial=$uas_serial" \
  -drive "if=none,id=uas1,file=$work/uas2.img,format=raw" \
  -device "scsi-hd,bus=uas.0,scsi-id=0,lun=1,drive=uas1,serial=$uas2_serial" \
  -trace "enable=scsi_req_parsed,file=$work/scsi-trace.log" || status=$?
boot_ms=$((($(date +%s%N) - boot_started) / 1000000))
cp "$work/results-console.log" "$work/console.log"
if [ $status -ne 0 ]; then
  echo "FAIL: the guest did not power off by itself (qemu exit $status)"
  tail -n 40 "$work/results-qemu.log" "$work/console.log"
  exit 1
fi

mkdir -p "$work/results"
if ! tar -xf "$work/results.img" -C "$work/results" 2>/dev/null || [ ! -e "$work/results/gtest.rc" ]; then
  echo "FAIL: the guest wrote no results"
  tail -n 60 "$work/console.log"
  exit 1
fi

# The second boot: the hard disks' identities swapped between the AHCI and
# the IDE port, the NVMe serials between the two controllers. Each id must
# follow its serial.
second_started=$(date +%s%N)
status=0
boot second "$ide_identity" "$ahci_identity" "$nvme2_serial" "$nvme_serial" || status=$?
second_ms=$((($(date +%s%N) - second_started) / 1000000))
mkdir -p "$work/second"
if [ $status -ne 0 ] || ! tar -xf "$work/second.img" -C "$work/second" 2>/dev/null; then
  echo "FAIL: the second boot brought no results (qemu exit $status)"
  tail -n 40 "$work/second-qemu.log" "$work/second-console.log"
  exit 1
fi

check_status=0
/usr/bin/python3 "$vm/check_drives.py" "$work/results" "$taruk" \
  --expect "$ahci_serial|$ahci_model|$ahci_firmware|10737418240" \
  --expect "$ide_serial|$ide_model|$ide_firmware|3000000000" \
  --nvme "$nvme_serial|10737418240" \
  --usb "$usb_serial|46f4:0001|usb-storage|1073741824" --usb "$uas_serial|46f4:0003|uas|1572864000" \
  --usb "$uas2_serial|46f4:0003|uas|536870912" \
  --scsi-trace "$work/scsi-trace.log" --second "$work/second" || check_status=$?

per_request=$(sed -n 's/.*per request: \([0-9.]* ms\).*/\1/p' "$work/results/gtest.txt" | head -1)
# The runs in turn also check that every run read the drives, through one
# reader and the same workers.
if ! grep -q '^\[  PASSED  \]' "$work/results/cpu-in-turn.txt" 2>/dev/null; then
  echo "FAIL: the CPU runs in turn:"
  tail -n 20 "$work/results/cpu-in-turn.txt" 2>/dev/null
  check_status=1
fi
# "pass" or "cycle": its CPU as root and through the reader, in turn.
cpu_figure() {
  local line
  line=$(sed -n "s/^$1 CPU in turn, //p" "$work/results/cpu-in-turn.txt" 2>/dev/null | head -1)
  echo "$1 CPU in turn, ${line:-?}"
}
round_trip=$(sed -n 's/^round trip between two processes: \([0-9.]*\) ms.*/\1/p' "$work/results/round-trip.txt" | head -1)
echo "figures: guest boot to power-off $((boot_ms / 1000)).$((boot_ms % 1000 / 100)) s;" \
  "report pass as root $(cat "$work/results/report-json.ms") ms;" \
  "SCSI case $(cat "$work/results/scsi/case.ms" 2>/dev/null || echo ?) ms;" \
  "USB and every-drive case $(cat "$work/results/usb/case.ms" 2>/dev/null || echo ?) ms;" \
  "second boot $((second_ms / 1000)).$((second_ms % 1000 / 100)) s;" \
  "one reader run $(cat "$work/results/user/reader-run.ms") ms (NVMe $(cat "$work/results/user/nvme-reader-run.ms") ms); ATA request through SG_IO ${per_request:-?};" \
  "$(cpu_figure pass) over every drive; $(cpu_figure cycle) for the whole monitoring cycle;" \
  "a round trip between two processes ${round_trip:-?} ms CPU;" \
  "whole test $((($(date +%s%N) - started) / 1000000000)) s"
if [ $check_status -ne 0 ]; then
  echo "guest console (last lines):"
  tail -n 30 "$work/console.log"
  exit 1
fi
echo "PASS"
