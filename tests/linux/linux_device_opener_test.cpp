// Opening physical drive N: the node in /dev must be the disk /sys/block
// names, and every way it can fail leaves a reason a user can act on.

#include "linux/linux_device_opener.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "core/drive/read_drive_info.h"
#include "linux/nvme_device.h"
#include "linux/whole_disks.h"
#include "support/fake_sys_block.h"
#include "support/scratch_dir.h"

using namespace taruk;

namespace {

// A real block device that is no ATA disk: a loop device. Empty when this
// machine gives none.
std::string LoopDeviceNumber() {
  struct stat status {};
  const int fd = open("/dev/loop0", O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return {};
  const bool ok = fstat(fd, &status) == 0 && S_ISBLK(status.st_mode);
  close(fd);
  if (!ok) return {};
  return std::to_string(major(status.st_rdev)) + ":" + std::to_string(minor(status.st_rdev));
}

}  // namespace

TEST(LinuxDeviceOpener, NodesThatAreNotTheListedDiskDoNotOpen) {
  FakeSysBlock sys;
  ScratchDir dev;
  sys.AddDisk("sda", "8:0");
  sys.AddDisk("sdb", "8:16");
  sys.AddDisk("sdc", "8:32");
  WriteFileBytes(dev / "sdb", "not a device");
  // A block device, but not the one sysfs describes (7:0 is no 8:32).
  const std::string loop = LoopDeviceNumber();
  if (!loop.empty()) symlink("/dev/loop0", (dev / "sdc").c_str());

  LinuxDeviceOpener opener(kNeedsPrivilegeHint, sys.path(), dev.path());
  EXPECT_FALSE(opener.Open(0));
  EXPECT_EQ(opener.Problem(0), dev / "sda" + ": No such file or directory");
  EXPECT_FALSE(opener.Open(1));
  EXPECT_EQ(opener.Problem(1), dev / "sdb" + ": not the block device of " + sys.path() + "/sdb");
  if (!loop.empty()) {
    EXPECT_FALSE(opener.Open(2));
    EXPECT_EQ(opener.Problem(2), dev / "sdc" + ": not the block device of " + sys.path() + "/sdc");
  }
  // No fourth disk: nothing to say about it.
  EXPECT_FALSE(opener.Open(3));
  EXPECT_EQ(opener.Problem(3), "");
  EXPECT_FALSE(opener.Open(4));
  EXPECT_EQ(opener.Problem(4), "");

  // A problem belongs to the last pass: once the disks are unplugged, the
  // old reasons are gone with them.
  for (const char* name : {"sda", "sdb", "sdc"}) std::filesystem::remove(sys.path() + "/" + name);
  EXPECT_FALSE(opener.Open(0));
  EXPECT_EQ(opener.Problem(0), "");
  EXPECT_FALSE(opener.Open(1));
  EXPECT_EQ(opener.Problem(1), "");
}

// A serving reader's worker gets the node from another process: the kernel
// names it, and it must be the block device sysfs gives for that name.
TEST(LinuxDeviceOpener, AHandedOverNodeIsNamedByTheKernelAndCheckedAgainstSysfs) {
  const std::string loop = LoopDeviceNumber();
  if (loop.empty()) GTEST_SKIP() << "no loop device can be opened here";
  const int fd = open("/dev/loop0", O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(NodeDiskNames().Of(fd), "loop0");
  const int file = open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
  EXPECT_EQ(NodeDiskNames().Of(file), std::nullopt);
  close(file);

  FakeSysBlock sys;
  sys.AddDisk("sda", "8:0");
  sys.AddDisk("sdb", loop);
  // The kernel's name for a partition's node is no whole disk.
  std::filesystem::create_directories(sys.root() + "/dev/block");
  const std::string link = sys.root() + "/dev/block/" + loop;
  for (const auto& [target, name] : {std::pair<std::string, std::optional<std::string>>{"sdb", "sdb"},
                                     {"sdb/sdb1", std::nullopt},
                                     {"sdc", std::nullopt}}) {
    std::filesystem::remove(link);
    symlink(("../../devices/pci0000:00/0000:00:1f.2/ata1/host0/block/" + target).c_str(), link.c_str());
    EXPECT_EQ(NodeDiskNames(sys.path()).Of(fd), name) << target;
  }
  // A worker asks sysfs once for each node it is handed pass after pass.
  NodeDiskNames names(sys.path());
  std::filesystem::remove(link);
  symlink("../../devices/pci0000:00/0000:00:1f.2/ata1/host0/block/sdb", link.c_str());
  EXPECT_EQ(names.Of(fd), "sdb");
  std::filesystem::remove(link);
  EXPECT_EQ(names.Of(fd), "sdb");
  EXPECT_EQ(NodeDiskNames(sys.path()).Of(fd), std::nullopt);
  const int other = open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
  EXPECT_EQ(names.Of(other), std::nullopt);
  close(other);
  LinuxDeviceOpener opener(kNeedsPrivilegeHint, sys.path(), "/dev");
  EXPECT_FALSE(opener.DeviceFor(0, {"sda", dup(fd), 0}));
  EXPECT_EQ(opener.Problem(0), "/dev/sda: not the block device of " + sys.path() + "/sda");
  EXPECT_FALSE(opener.DeviceFor(1, {"../block/sdb", dup(fd), 0})) << "a name is no path";
  EXPECT_TRUE(opener.DeviceFor(1, {"sdb", dup(fd), 0}));
  EXPECT_EQ(opener.Problem(1), "");
  // The kernel's own name for the node needs no second look at sysfs.
  EXPECT_TRUE(opener.DeviceFor(0, {"loop0", fd, 0, true}));
  EXPECT_EQ(opener.Problem(0), "");
}

TEST(LinuxDeviceOpener, BlockDeviceWithoutAtaPassThroughIsPresentNowhere) {
  const std::string loop = LoopDeviceNumber();
  if (loop.empty()) GTEST_SKIP() << "no loop device can be opened here";
  FakeSysBlock sys;
  ScratchDir dev;
  sys.AddDisk("sda", loop);
  symlink("/dev/loop0", (dev / "sda").c_str());
  LinuxDeviceOpener opener(kNeedsPrivilegeHint, sys.path(), dev.path());

  // It opens and has a size, but no SG_IO: the version request fails, so
  // the drive never becomes present, and the report can say why.
  std::unique_ptr<SmartDevice> device = opener.Open(0);
  ASSERT_TRUE(device) << opener.Problem(0);
  const std::optional<DriveGeometry> geometry = device->Geometry();
  ASSERT_TRUE(geometry);
  EXPECT_EQ(geometry->tracksPerCylinder, 255u);
  EXPECT_EQ(geometry->sectorsPerTrack, 63u);
  EXPECT_FALSE(device->DeviceMap());
  device.reset();
  EXPECT_EQ(opener.Problem(0), dev / "sda" + ": not an ATA drive, or behind a bridge that does not pass ATA commands");

  DriveSlot slot;
  ReadDriveInfo(opener, 0, slot);
  EXPECT_FALSE(slot.IsPresent());
}

// An NVMe drive whose node can't be opened: sysfs gives its identity and size
// to anyone, and there is no health log to judge it by.
TEST(NvmeDeviceTest, WithoutTheNodeSysfsGivesIdentityAndSize) {
  ScratchDir scratch;
  const std::string disk = scratch / "nvme0n1";
  std::filesystem::create_directories(disk + "/queue");
  std::filesystem::create_directories(disk + "/device");
  WriteFileBytes(disk + "/size", "20971520\n");
  WriteFileBytes(disk + "/queue/logical_block_size", "4096\n");
  WriteFileBytes(disk + "/device/model", "QEMU NVMe Ctrl" + std::string(26, ' ') + "\n");
  WriteFileBytes(disk + "/device/serial", "NV2" + std::string(17, ' ') + "\n");
  WriteFileBytes(disk + "/device/firmware_rev", "7.2.22  \n");
  std::filesystem::create_directories(disk + "/device/hwmon2");
  WriteFileBytes(disk + "/device/hwmon2/temp1_input", "49850\n");  // 323 K, as the drive said
  NvmeDevice device(-1, "/dev/nvme0n1", disk, nullptr, "hint");
  DriveSlot slot;
  ReadDrive(device, SleepingDrive::Leave, slot);
  EXPECT_EQ(slot.bus, DriveBus::Nvme);
  EXPECT_EQ(slot.model, L"QEMU NVMe Ctrl" + std::wstring(26, L' '));
  EXPECT_EQ(slot.serialNumber, L"NV2" + std::wstring(17, L' '));
  EXPECT_EQ(slot.firmware, L"7.2.22  ");
  EXPECT_EQ(slot.bytesPerSector, 4096u);
  EXPECT_EQ(slot.cylinders, 10737418240 / (255 * 63 * 4096));
  EXPECT_FALSE(slot.nvmeLog.has_value());
  EXPECT_EQ(slot.temperature, 50u);  // kelvin - 273, as from the log

  // A size that is no number leaves the drive absent rather than guessed.
  WriteFileBytes(disk + "/size", "lots\n");
  DriveSlot none;
  ReadDrive(device, SleepingDrive::Leave, none);
  EXPECT_FALSE(none.IsPresent());
}

// The reader hands the bridges' memory from each child back to itself as
// text: what one opener wrote another takes whole, and lines that are not
// its own (a cut line, a form out of range, a key too long) are skipped.
TEST(LinuxDeviceOpener, BridgeMemoryPassesBetweenOpenersAndJunkIsSkipped) {
  const std::string key = "sdb 46f4:0001, release 0000, driver usb-storage";
  const std::string memory = "3 " + key + "\n1 sdc 152d:0578, release 0508, driver uas\n";
  LinuxDeviceOpener first;
  first.RememberBridges(memory);
  EXPECT_EQ(first.BridgeMemory(), memory);
  LinuxDeviceOpener second;
  second.RememberBridges(first.BridgeMemory());
  EXPECT_EQ(second.BridgeMemory(), memory);

  const std::string junk[] = {
      "3 " + key,         // cut before its end
      "5 " + key + "\n",  // no such form
      "/ " + key + "\n",  // not a digit
      "3" + key + "\n",   // no space
      "3 \n",             // no key
      "3 " + std::string(200, 'x') + "\n",
      "0 " + key + "\n",  // not probed is not memory
  };
  for (const std::string& text : junk) {
    LinuxDeviceOpener opener;
    opener.RememberBridges(text);
    EXPECT_EQ(opener.BridgeMemory(), "") << text;
  }
}
