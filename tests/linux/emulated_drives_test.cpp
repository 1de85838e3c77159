// The Linux device layer against a real kernel and QEMU's emulated ATA
// disks. These run only inside the test guest of tests/e2e/qemu_drives.sh
// (hence DISABLED_ here), which names the devices in the environment:
//   TARUK_VM_DISKS     the hard disks' nodes ("/dev/sda /dev/sdb")
//   TARUK_VM_OPTICAL   the ATAPI optical drive's node
//   TARUK_VM_SERIALS   the serial numbers QEMU was given
//   TARUK_VM_USB_DISKS the nodes of the disks behind QEMU's USB bridges

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/drive/drive_slot.h"
#include "core/drive/identify.h"
#include "core/drive/read_drive_info.h"
#include "core/drive/request_block.h"
#include "linux/linux_device_opener.h"
#include "linux/pass_through_device.h"
#include "linux/reader_device_opener.h"

using namespace taruk;

namespace {

std::vector<std::string> Words(const char* variable) {
  std::vector<std::string> words;
  std::istringstream in(std::getenv(variable) ? std::getenv(variable) : "");
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

std::string Trimmed(const std::wstring& text) {
  std::string narrow(text.begin(), text.end());
  const auto first = narrow.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return narrow.substr(first, narrow.find_last_not_of(' ') - first + 1);
}

struct OpenDevice {
  std::shared_ptr<std::string> problem = std::make_shared<std::string>();
  std::unique_ptr<PassThroughDevice> device;
};

OpenDevice OpenNode(const std::string& path) {
  OpenDevice open;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0) open.device = std::make_unique<PassThroughDevice>(fd, path, open.problem, kNeedsPrivilegeHint);
  return open;
}

// Commands the SCSI midlayer has handed to the disk's driver, SG_IO's
// included: what reached the drive, counted by the kernel. Nothing else
// speaks to these disks while a test runs.
long CommandsReaching(const std::string& path) {
  const std::string counter = "/sys/class/block/" + path.substr(path.rfind('/') + 1) + "/device/iorequest_cnt";
  std::FILE* file = std::fopen(counter.c_str(), "r");
  if (!file) return -1;
  char text[32] = {};
  const bool read = std::fgets(text, sizeof text, file) != nullptr;
  std::fclose(file);
  return read ? std::strtol(text, nullptr, 16) : -1;  // "0x1f"
}

uint64_t SizeOf(const std::string& path) {
  uint64_t bytes = 0;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0) {
    ioctl(fd, BLKGETSIZE64, &bytes);
    close(fd);
  }
  return bytes;
}

}  // namespace

TEST(DISABLED_EmulatedDrives, HardDisksAnswerEveryRequestOfThePassAtPositionZero) {
  const std::vector<std::string> disks = Words("TARUK_VM_DISKS");
  const std::vector<std::string> serials = Words("TARUK_VM_SERIALS");
  ASSERT_EQ(disks.size(), 2u);
  std::vector<std::string> seen;
  for (const std::string& path : disks) {
    SCOPED_TRACE(path);
    OpenDevice open = OpenNode(path);
    ASSERT_TRUE(open.device);
    PassThroughDevice& device = *open.device;

    EXPECT_EQ(device.DeviceMap(), std::optional<uint8_t>(0x01)) << *open.problem;

    const std::optional<DriveGeometry> geometry = device.Geometry();
    ASSERT_TRUE(geometry);
    EXPECT_EQ(*geometry, (DriveGeometry{static_cast<int64_t>(SizeOf(path) / (255 * 63 * 512)), 255, 63, 512}));

    // A non-data command comes back as CHECK CONDITION with the registers.
    EXPECT_TRUE(device.EnableSmart(0));

    // The device map's probe read the identify page; the pass gets that one.
    const long sentBeforeIdentify = CommandsReaching(path);
    ASSERT_GE(sentBeforeIdentify, 0);
    const std::optional<Page> identify = device.Identify(0, false);
    ASSERT_TRUE(identify);
    EXPECT_EQ(CommandsReaching(path), sentBeforeIdentify);
    DriveSlot slot;
    DecodeIdentifyPage(*identify, slot);
    seen.push_back(Trimmed(slot.serialNumber));

    const std::optional<Page> data = device.SmartData(0);
    ASSERT_TRUE(data);
    ASSERT_TRUE(device.SmartThresholds(0));
    EXPECT_EQ((*data)[2], 1) << "first attribute of QEMU's table";

    // A hard disk aborts IDENTIFY PACKET DEVICE; the refusal is a failure.
    EXPECT_FALSE(device.Identify(0, true));
    // One Linux device is one drive: position 1 does not exist.
    EXPECT_FALSE(device.Identify(1, false));
  }
  std::sort(seen.begin(), seen.end());
  std::vector<std::string> expected = serials;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(seen, expected);
}

// CHECK POWER MODE goes out with CK_COND and its Sector Count comes back in
// the sense data, through libata's translation on AHCI and on IDE. QEMU
// always answers 0xFF (active or idle); it has no standby to report.
TEST(DISABLED_EmulatedDrives, HardDisksAnswerCheckPowerModeAsActive) {
  const std::vector<std::string> disks = Words("TARUK_VM_DISKS");
  ASSERT_EQ(disks.size(), 2u);
  for (const std::string& path : disks) {
    SCOPED_TRACE(path);
    OpenDevice open = OpenNode(path);
    ASSERT_TRUE(open.device);
    const long sentBefore = CommandsReaching(path);
    ASSERT_GE(sentBefore, 0);
    EXPECT_EQ(open.device->CheckPowerMode(0), std::optional<uint8_t>(0xFF));
    EXPECT_EQ(CommandsReaching(path), sentBefore + 1);
    // Asked once per pass: the device map reuses the answer, then proves
    // the disk speaks ATA with the identify probe.
    ASSERT_TRUE(open.device->DeviceMap()) << *open.problem;
    EXPECT_EQ(open.device->CheckPowerMode(0), std::optional<uint8_t>(0xFF));
    EXPECT_EQ(CommandsReaching(path), sentBefore + 2);
    EXPECT_FALSE(open.device->CheckPowerMode(1)) << "one Linux device is one drive";
  }
  // The whole pass records it in the slot. The NVMe drive sorts first, so
  // the AHCI disk is drive 1.
  LinuxDeviceOpener opener;
  DriveSlot slot;
  ReadDriveInfo(opener, 1, slot);
  EXPECT_EQ(slot.powerMode, PowerMode::Active);
}

TEST(DISABLED_EmulatedDrives, OpticalDriveIsAPacketDevice) {
  const char* path = std::getenv("TARUK_VM_OPTICAL");
  ASSERT_NE(path, nullptr);
  OpenDevice open = OpenNode(path);
  ASSERT_TRUE(open.device);
  EXPECT_EQ(open.device->DeviceMap(), std::optional<uint8_t>(0x11)) << *open.problem;
  // The probe's IDENTIFY PACKET DEVICE page is the pass's: no third command.
  const long sentByProbe = CommandsReaching(path);
  ASSERT_GE(sentByProbe, 0);
  const std::optional<Page> page = open.device->Identify(0, true);
  ASSERT_TRUE(page);
  EXPECT_EQ(CommandsReaching(path), sentByProbe);
  EXPECT_FALSE(open.device->Identify(0, false));
  DriveSlot slot;
  DecodeIdentifyPage(*page, slot);
  EXPECT_EQ(Trimmed(slot.model), "QEMU DVD-ROM");
}

TEST(DISABLED_EmulatedDrives, DriveNumbersCoverTheDisksAndVirtioIsNotPresent) {
  LinuxDeviceOpener opener;
  // nvme0n1 sorts before sda: the NVMe drive is drive 0.
  std::unique_ptr<SmartDevice> nvme = opener.Open(0);
  ASSERT_TRUE(nvme) << opener.Problem(0);
  EXPECT_EQ(nvme->Bus(), DriveBus::Nvme);
  for (int n = 1; n < 3; ++n) {
    std::unique_ptr<SmartDevice> device = opener.Open(n);
    ASSERT_TRUE(device) << opener.Problem(n);
    EXPECT_TRUE(device->DeviceMap()) << opener.Problem(n);
    EXPECT_EQ(opener.Problem(n), "");
  }
  // The optical drive takes no number, so drive 3 is the virtio disk: it
  // opens, but has no ATA pass-through.
  std::unique_ptr<SmartDevice> virtio = opener.Open(3);
  ASSERT_TRUE(virtio);
  EXPECT_FALSE(virtio->DeviceMap());
  EXPECT_EQ(opener.Problem(3).rfind("/dev/vda: not an ATA drive", 0), 0u) << opener.Problem(3);
}

TEST(DISABLED_EmulatedDrives, TimeOfOneRequest) {
  const std::vector<std::string> disks = Words("TARUK_VM_DISKS");
  ASSERT_FALSE(disks.empty());
  OpenDevice open = OpenNode(disks[0]);
  ASSERT_TRUE(open.device);
  constexpr int kRequests = 200;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRequests; ++i) {
    ASSERT_TRUE(open.device->SmartData(0));
  }
  const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
  std::printf("SMART READ DATA through SG_IO, per request: %.3f ms (%d requests)\n", elapsed.count() / kRequests,
              kRequests);
}

// QEMU's usb-storage (46f4:0001) and usb-uas (46f4:0003) bridges pass no ATA
// PASS-THROUGH of either length: each disk is listed from SCSI INQUIRY and
// READ CAPACITY, with its bridge named. The host counts the pass-through
// commands QEMU saw, to check that one run probes a bridge once: `opener`
// is one run, which reads each disk three times.
void ReadEachUsbDiskThreeTimes(DeviceOpener& opener, const char* how) {
  const std::vector<std::string> disks = Words("TARUK_VM_USB_DISKS");
  ASSERT_GE(disks.size(), 2u);
  std::set<std::string> drivers;
  for (const int n : opener.DriveNumbers()) {
    const std::string name = opener.DeviceName(n);
    if (std::find(disks.begin(), disks.end(), name) == disks.end()) continue;
    std::string times;
    for (int pass = 0; pass < 3; ++pass) {
      DriveSlot slot;
      const auto start = std::chrono::steady_clock::now();
      ReadDriveInfo(opener, n, slot, false);
      const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
      times += " " + std::to_string(static_cast<int>(elapsed.count()));
      ASSERT_TRUE(slot.usbBridge) << name;
      EXPECT_EQ(slot.usbBridge->vendor, 0x46f4) << name;
      EXPECT_EQ(slot.usbBridge->driver, slot.usbBridge->product == 0x0003 ? "uas" : "usb-storage") << name;
      EXPECT_EQ(slot.bus, DriveBus::Scsi) << name;
      EXPECT_EQ(ShownText(slot.model), L"QEMU QEMU HARDDISK") << name;
      EXPECT_TRUE(slot.IsPresent()) << name;
      drivers.insert(slot.usbBridge->driver);
    }
    std::printf("%s: three passes %s, ms:%s\n", name.c_str(), how, times.c_str());
  }
  EXPECT_EQ(drivers, (std::set<std::string>{"uas", "usb-storage"}));
}

TEST(DISABLED_UsbBridges, EachBridgeIsNamedAndItsDiskReadWithScsiCommandsPassAfterPass) {
  LinuxDeviceOpener opener;
  ReadEachUsbDiskThreeTimes(opener, "as root");
}

// The same run through taruk-smart-reader, which reads each drive in a child
// of its own: the bridge's refusal still holds for the whole run.
TEST(DISABLED_UsbBridges, ThroughTheReaderARefusingBridgeIsAskedOnceARun) {
  const std::vector<std::string> reader = Words("TARUK_VM_READER");
  ASSERT_EQ(reader.size(), 1u);
  ReaderDeviceOpener opener(reader[0]);
  ReadEachUsbDiskThreeTimes(opener, "through the reader");
}
