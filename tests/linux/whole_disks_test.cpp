// Physical drive numbers: the whole disks of /sys/block in natural order.

#include "linux/whole_disks.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/fake_sys_block.h"
#include "support/scratch_dir.h"

using namespace taruk;

TEST(WholeDisks, NamesSortNaturallyNotByBytes) {
  std::vector<std::string> names = {"sdb", "nvme0n10", "sda", "nvme1n1", "nvme0n2", "mmcblk1", "mmcblk0", "sdc"};
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return NaturalNameLess(a, b); });
  EXPECT_EQ(names,
            (std::vector<std::string>{"mmcblk0", "mmcblk1", "nvme0n2", "nvme0n10", "nvme1n1", "sda", "sdb", "sdc"}));

  // A strict order, also for names that differ only in leading zeros or in
  // numbers too long for any integer.
  const std::vector<std::string> tricky = {
      "a01", "a1", "a", "a0", "1", "", "a99999999999999999999999", "a100000000000000000000000"};
  for (const std::string& x : tricky) {
    EXPECT_FALSE(NaturalNameLess(x, x)) << x;
    for (const std::string& y : tricky) {
      if (x != y) {
        EXPECT_NE(NaturalNameLess(x, y), NaturalNameLess(y, x)) << x << " " << y;
      }
    }
  }
  EXPECT_TRUE(NaturalNameLess("a99999999999999999999999", "a100000000000000000000000"));
}

TEST(WholeDisks, VirtualAndOpticalDevicesTakeNoNumber) {
  FakeSysBlock sys;
  sys.AddDisk("sdb", "8:16");
  sys.AddDisk("loop0", "7:0", true);
  sys.AddDisk("dm-0", "254:0", true);
  sys.AddDisk("zram0", "253:0", true);
  sys.AddDisk("md127", "9:127", true);
  sys.AddDisk("sr0", "11:0");  // on a real controller, but an optical drive
  sys.AddDisk("vda", "252:0");
  sys.AddDisk("sda", "8:0");
  sys.AddDisk("nvme0n1", "259:0");
  sys.AddDisk("ram0", "1:0");
  symlink("../devices/nowhere/block/sdz", (sys.path() + "/sdz").c_str());  // a link to nothing
  // A multipath-capable NVMe drive: the head is filed under its subsystem,
  // the hidden path under the controller.
  const std::string head = sys.root() + "/devices/virtual/nvme-subsystem/nvme-subsys2/nvme2n1";
  const std::string path = sys.root() + "/devices/pci0000:00/0000:00:06.0/nvme/nvme2/nvme2c2n1";
  std::filesystem::create_directories(head);
  std::filesystem::create_directories(path);
  WriteFileBytes(path + "/hidden", "1\n");
  WriteFileBytes(head + "/hidden", "0\n");
  symlink(head.c_str(), (sys.path() + "/nvme2n1").c_str());
  symlink(path.c_str(), (sys.path() + "/nvme2c2n1").c_str());

  // NVMe and virtio disks keep their numbers: they are disks, only not
  // ATA ones (the reading pass finds that out).
  EXPECT_EQ(ListWholeDisks(sys.path()), (std::vector<std::string>{"nvme0n1", "nvme2n1", "sda", "sdb", "vda"}));
  EXPECT_EQ(WholeDiskName(0, sys.path()), "nvme0n1");
  EXPECT_EQ(WholeDiskName(4, sys.path()), "vda");
  EXPECT_EQ(WholeDiskName(5, sys.path()), std::nullopt);
  EXPECT_EQ(WholeDiskName(-1, sys.path()), std::nullopt);
  EXPECT_TRUE(ListWholeDisks(sys.root() + "/no-such-folder").empty());
}

// Listed pass after pass, a disk is looked at when its name appears: one
// that left the list is looked at afresh when its name comes back.
TEST(WholeDisks, AListLooksAgainAtANameThatCameBack) {
  FakeSysBlock sys;
  sys.AddDisk("sdb", "8:16");
  sys.AddDisk("sda", "8:0");
  WholeDiskList list(sys.path());
  EXPECT_EQ(list.List(), (std::vector<std::string>{"sda", "sdb"}));
  std::filesystem::remove(sys.path() + "/sda");
  EXPECT_EQ(list.List(), (std::vector<std::string>{"sdb"}));
  sys.AddDisk("sda", "8:0", true);  // back, as a device the kernel made
  sys.AddDisk("sdc", "8:32");
  EXPECT_EQ(list.List(), (std::vector<std::string>{"sdb", "sdc"}));
}
