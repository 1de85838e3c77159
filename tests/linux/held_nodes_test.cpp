#include "linux/held_nodes.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/fake_sys_block.h"
#include "support/scratch_dir.h"

using namespace taruk;

namespace {

// Whether drive N's node comes from one held open file: a position set
// through one of its descriptors shows through the next.
bool HeldOpen(HeldNodes& held, const LinuxDeviceOpener& opener, int driveNumber) {
  const OpenedNode first = held.Node(opener, driveNumber);
  const OpenedNode second = held.Node(opener, driveNumber);
  EXPECT_GE(first.fd, 0);
  EXPECT_GE(second.fd, 0);
  lseek(first.fd, 3, SEEK_SET);
  const bool shared = lseek(second.fd, 0, SEEK_CUR) == 3;
  close(first.fd);
  close(second.fd);
  return shared;
}

}  // namespace

// The serving reader holds a fixed disk's node while the disk is listed; a
// removable disk's is opened every pass, so that its medium is not locked.
TEST(HeldNodes, FixedDisksAreHeldWhileListedAndRemovableOnesOpenedEveryPass) {
  FakeSysBlock sys;
  ScratchDir dev;
  const auto plugIn = [&](const std::string& name, const char* removable) {
    sys.AddDisk(name);
    ASSERT_TRUE(WriteFileBytes(sys.path() + "/" + name + "/removable", removable));
    ASSERT_TRUE(WriteFileBytes(dev / name, "node of " + name));
  };
  plugIn("sda", "0\n");
  plugIn("sdb", "1\n");
  LinuxDeviceOpener opener(kNeedsPrivilegeHint, sys.path(), dev.path());
  opener.DriveNumbers();
  HeldNodes held(sys.path());
  EXPECT_TRUE(HeldOpen(held, opener, 0)) << "sda is fixed";
  EXPECT_FALSE(HeldOpen(held, opener, 1)) << "sdb is removable";
  EXPECT_EQ(held.Node(opener, 2).name, "") << "there is no drive 2";

  // sda unplugged: its node is let go, and opened anew when it is back.
  std::filesystem::remove(sys.path() + "/sda");
  opener.DriveNumbers();
  held.KeepOnly(opener.ListedDisks());
  plugIn("sda", "0\n");
  opener.DriveNumbers();
  const OpenedNode back = held.Node(opener, 0);
  EXPECT_EQ(back.name, "sda");
  EXPECT_EQ(lseek(back.fd, 0, SEEK_CUR), 0) << "not the node held before";
  close(back.fd);
}
