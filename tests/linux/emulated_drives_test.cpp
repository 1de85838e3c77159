// The Linux device layer against a real kernel and QEMU's emulated ATA
// disks. These run only inside the test guest of tests/e2e/qemu_drives.sh
// (hence DISABLED_ here), which names the devices in the environment:
//   TARUK_VM_DISKS     the hard disks' nodes ("/dev/sda /dev/sdb")
//   TARUK_VM_OPTICAL   the ATAPI optical drive's node
//   TARUK_VM_SERIALS   the serial numbers QEMU was given

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/drive/drive_slot.h"
#include "core/drive/identify.h"
#include "core/drive/read_drive_info.h"
#include "core/drive/request_block.h"
#include "linux/linux_device_opener.h"
#include "linux/pass_through_device.h"

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

    VersionAnswer version{};
    ASSERT_TRUE(device.GetVersion(version)) << *open.problem;
    EXPECT_EQ(version[layout::kDeviceMap], 0x01);

    GeometryAnswer geometry{};
    ASSERT_TRUE(device.GetGeometry(geometry));
    int64_t cylinders = 0;
    std::copy_n(geometry.data(), 8, reinterpret_cast<uint8_t*>(&cylinders));
    EXPECT_EQ(cylinders, static_cast<int64_t>(SizeOf(path) / (255 * 63 * 512)));
    EXPECT_EQ(geometry[layout::kGeometryTracks], 255);
    EXPECT_EQ(geometry[layout::kGeometrySectors], 63);
    EXPECT_EQ(geometry[layout::kGeometryBytes] | geometry[layout::kGeometryBytes + 1] << 8, 512);

    // A non-data command comes back as CHECK CONDITION with the registers.
    CommandAnswer enabled{};
    EXPECT_TRUE(device.SendDriveCommand(EnableSmartRequest(0), enabled));

    DataAnswer identify{};
    ASSERT_TRUE(device.ReceiveDriveData(IdentifyRequest(0, false), identify));
    DriveSlot slot;
    DecodeIdentifyPage(std::span<uint8_t, kPageSize>(identify.data() + layout::kPage, kPageSize), slot);
    seen.push_back(Trimmed(slot.serialNumber));

    DataAnswer data{};
    DataAnswer thresholds{};
    ASSERT_TRUE(device.ReceiveDriveData(SmartReadDataRequest(0), data));
    ASSERT_TRUE(device.ReceiveDriveData(SmartReadThresholdsRequest(0), thresholds));
    EXPECT_EQ(data[layout::kPage + 2], 1) << "first attribute of QEMU's table";

    // A hard disk aborts IDENTIFY PACKET DEVICE; the refusal is a failure.
    DataAnswer packet{};
    EXPECT_FALSE(device.ReceiveDriveData(IdentifyRequest(0, true), packet));
    // One Linux device is one drive: position 1 does not exist.
    DataAnswer other{};
    EXPECT_FALSE(device.ReceiveDriveData(IdentifyRequest(1, false), other));
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
    EXPECT_EQ(open.device->CheckPowerMode(0), std::optional<uint8_t>(0xFF));
    EXPECT_EQ(open.device->commandsSent(), 1);
    // Asked once per pass: the version request reuses the answer, then
    // proves the disk speaks ATA with the identify probe.
    VersionAnswer version{};
    ASSERT_TRUE(open.device->GetVersion(version)) << *open.problem;
    EXPECT_EQ(open.device->CheckPowerMode(0), std::optional<uint8_t>(0xFF));
    EXPECT_EQ(open.device->commandsSent(), 2);
    EXPECT_FALSE(open.device->CheckPowerMode(1)) << "one Linux device is one drive";
  }
  // The whole pass records it in the slot.
  LinuxDeviceOpener opener;
  DriveSlot slot;
  ReadDriveInfo(opener, 0, slot);
  EXPECT_EQ(slot.powerMode, PowerMode::Active);
}

TEST(DISABLED_EmulatedDrives, OpticalDriveIsAPacketDevice) {
  const char* path = std::getenv("TARUK_VM_OPTICAL");
  ASSERT_NE(path, nullptr);
  OpenDevice open = OpenNode(path);
  ASSERT_TRUE(open.device);
  VersionAnswer version{};
  ASSERT_TRUE(open.device->GetVersion(version)) << *open.problem;
  EXPECT_EQ(version[layout::kDeviceMap], 0x11);
  DataAnswer answer{};
  EXPECT_FALSE(open.device->ReceiveDriveData(IdentifyRequest(0, false), answer));
  ASSERT_TRUE(open.device->ReceiveDriveData(IdentifyRequest(0, true), answer));
  DriveSlot slot;
  DecodeIdentifyPage(std::span<uint8_t, kPageSize>(answer.data() + layout::kPage, kPageSize), slot);
  EXPECT_EQ(Trimmed(slot.model), "QEMU DVD-ROM");
}

TEST(DISABLED_EmulatedDrives, DriveNumbersCoverTheDisksAndVirtioIsNotPresent) {
  LinuxDeviceOpener opener;
  for (int n = 0; n < 2; ++n) {
    std::unique_ptr<SmartDevice> device = opener.Open(n);
    ASSERT_TRUE(device) << opener.Problem(n);
    VersionAnswer version{};
    EXPECT_TRUE(device->GetVersion(version)) << opener.Problem(n);
    EXPECT_EQ(opener.Problem(n), "");
  }
  // The optical drive takes no number, so drive 2 is the virtio disk: it
  // opens, but has no ATA pass-through.
  std::unique_ptr<SmartDevice> virtio = opener.Open(2);
  ASSERT_TRUE(virtio);
  VersionAnswer version{};
  EXPECT_FALSE(virtio->GetVersion(version));
  EXPECT_EQ(opener.Problem(2).rfind("/dev/vda: not an ATA drive", 0), 0u) << opener.Problem(2);
  EXPECT_FALSE(opener.Open(3));
  EXPECT_EQ(opener.Problem(3), "");
}

TEST(DISABLED_EmulatedDrives, TimeOfOneRequest) {
  const std::vector<std::string> disks = Words("TARUK_VM_DISKS");
  ASSERT_FALSE(disks.empty());
  OpenDevice open = OpenNode(disks[0]);
  ASSERT_TRUE(open.device);
  constexpr int kRequests = 200;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRequests; ++i) {
    DataAnswer answer{};
    ASSERT_TRUE(open.device->ReceiveDriveData(SmartReadDataRequest(0), answer));
  }
  const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
  std::printf("SMART READ DATA through SG_IO, per request: %.3f ms (%d requests)\n", elapsed.count() / kRequests,
              kRequests);
}
