// The USB bridge of a disk from a made-up sysfs tree laid out as the kernel
// lays out usb-storage and uas disks.

#include "linux/usb_bridge_sysfs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>

#include "support/scratch_dir.h"

using namespace taruk;

namespace {

namespace fs = std::filesystem;

struct Tree {
  const char* name;
  const char* vendor;  // nullptr: no USB device above the disk (a SATA port)
  const char* product;
  const char* release;       // nullptr: no bcdDevice file
  const char* driver;        // nullptr: no driver bound to the interface
  int levelsBelowInterface;  // host, target, LUN... between the interface and the disk
  std::optional<UsbBridge> expected;
};

// /sys/block/sdb -> the disk under the tree; sdb/device -> the SCSI device.
void Build(const ScratchDir& root, const Tree& tree) {
  const fs::path pci = fs::path(root.path()) / "devices/pci0000:00/0000:00:14.0";
  fs::path usb = pci / "usb2/2-1";
  fs::create_directories(usb);
  // The root hub above has ids too: the walk must stop at the first one.
  WriteFileBytes((pci / "usb2/idVendor").string(), "1d6b\n");
  WriteFileBytes((pci / "usb2/idProduct").string(), "0003\n");
  WriteFileBytes((pci / "vendor").string(), "0x8086\n");
  if (tree.vendor) {
    WriteFileBytes((usb / "idVendor").string(), std::string(tree.vendor) + "\n");
    WriteFileBytes((usb / "idProduct").string(), std::string(tree.product) + "\n");
    if (tree.release) WriteFileBytes((usb / "bcdDevice").string(), std::string(tree.release) + "\n");
  } else {
    usb = pci / "ata1";  // a disk on a SATA port: no USB device on its way up
  }
  const fs::path interface = usb / (tree.vendor ? "2-1:1.0" : "host0");
  fs::create_directories(interface);
  if (tree.driver) {
    const fs::path drivers = fs::path(root.path()) / "bus/usb/drivers" / tree.driver;
    fs::create_directories(drivers);
    fs::create_directory_symlink(drivers, interface / "driver");
  }
  fs::path scsiDevice = interface;
  for (int level = 0; level < tree.levelsBelowInterface; ++level) scsiDevice /= "level" + std::to_string(level);
  const fs::path disk = scsiDevice / "block/sdb";
  fs::create_directories(disk);
  fs::create_directory_symlink("../..", disk / "device");
  fs::create_directories(fs::path(root.path()) / "block");
  // Relative, as the kernel links it ("../devices/pci0000:00/...").
  fs::create_directory_symlink(fs::relative(disk, fs::path(root.path()) / "block"),
                               fs::path(root.path()) / "block/sdb");
}

}  // namespace

TEST(UsbBridgeSysfs, TheBridgeAboveTheDiskIsFoundWithoutPrivilege) {
  const Tree trees[] = {
      {"uas bridge", "174c", "55aa", "0100", "uas", 3, UsbBridge{0x174c, 0x55aa, 0x0100, "uas"}},
      {"usb-storage bridge", "46f4", "0001", "0000", "usb-storage", 3, UsbBridge{0x46f4, 0x0001, 0, "usb-storage"}},
      {"no release file", "152d", "0578", nullptr, "uas", 3, UsbBridge{0x152d, 0x0578, 0, "uas"}},
      {"no driver bound", "0bda", "9210", "2001", nullptr, 3, UsbBridge{0x0bda, 0x9210, 0x2001, ""}},
      {"driver name that would break a capture line", "0bda", "9210", "2001", "Odd Name", 3,
       UsbBridge{0x0bda, 0x9210, 0x2001, ""}},
      {"disk on a SATA port", nullptr, nullptr, nullptr, nullptr, 3, std::nullopt},
      {"vendor id not hex", "zz12", "0001", "0000", "uas", 3, std::nullopt},
      {"product id too long", "46f4", "00001", "0000", "uas", 3, std::nullopt},
      {"USB device too far above to be the disk's", "46f4", "0001", "0000", "uas", 12, std::nullopt},
  };
  for (const Tree& tree : trees) {
    ScratchDir root;
    Build(root, tree);
    EXPECT_EQ(FindUsbBridge(root / "block", "sdb"), tree.expected) << tree.name;
  }
  ScratchDir empty;
  EXPECT_EQ(FindUsbBridge(empty / "block", "sdb"), std::nullopt) << "no such disk";
}
