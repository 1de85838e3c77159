// The volumes as the free-space test sees them: mountinfo read the way the
// kernel writes it, and real ext4 file systems on loop devices filled to the
// byte.

#include "linux/linux_volumes.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "core/monitor/monitoring_cycle.h"
#include "support/child_process.h"
#include "support/recording_platform.h"
#include "support/test_drives.h"

using namespace taruk;

namespace {

TEST(BlockDeviceMountPointsTest, OnePerDeviceSortedWithoutVirtualOrImageFileSystems) {
  const std::string mountInfo =
      "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
      "24 27 0:6 / /dev rw,relatime - devtmpfs devtmpfs rw,size=1k\n"
      "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
      "30 27 0:27 / /run rw shared:5 - tmpfs tmpfs rw\n"
      "31 27 8:1 / /home/my\\040disk rw master:3 - ext4 /dev/sdb1 rw\n"
      // A folder of /dev/vda bound elsewhere repeats its free space.
      "32 27 254:0 /srv /var/srv rw - ext4 /dev/vda rw\n"
      "33 27 7:0 / /snap/core/1 ro - squashfs /dev/loop0 ro\n"
      "34 27 0:40 / /merged rw - overlay overlay rw,lowerdir=/a\n"
      "35 27 8:2 / /boot rw - vfat /dev/sdb2 rw\n"
      // Mounted on its own top folder and as a bind of it: the shorter path.
      "36 27 8:3 / /mnt/data-bind rw - xfs /dev/sdc rw\n"
      "37 27 8:3 / /mnt/data rw - xfs /dev/sdc rw\n"
      "38 27 0:50 / /net rw - nfs server:/export rw\n"
      // A later mount on the same path hides the earlier one.
      "39 27 8:4 / /media/usb rw - ext4 /dev/sdd1 rw\n"
      "40 39 8:5 / /media/usb rw - ext4 /dev/sde1 rw\n"
      "not a mountinfo line\n"
      "41 27 8:6 / /odd rw no-separator-here\n";
  EXPECT_EQ(BlockDeviceMountPoints(mountInfo),
            (std::vector<std::string>{"/", "/boot", "/home/my disk", "/media/usb", "/mnt/data"}));
}

TEST(BlockDeviceMountPointsTest, AtMostTwentySixAndEscapesUndone) {
  std::string mountInfo;
  for (int i = 0; i < 40; ++i) {
    mountInfo += std::to_string(100 + i) + " 1 8:" + std::to_string(i) + " / /v" + std::to_string(100 + i) +
                 "\\011tab\\134 rw - ext4 /dev/sd" + std::to_string(i) + " rw\n";
  }
  const auto points = BlockDeviceMountPoints(mountInfo);
  ASSERT_EQ(points.size(), 26u);
  EXPECT_EQ(points.front(), "/v100\ttab\\");
  EXPECT_EQ(points.back(), "/v125\ttab\\");
  // A cut escape stays as it is.
  EXPECT_EQ(BlockDeviceMountPoints("1 1 8:0 / /a\\04 rw - ext4 /dev/sda rw\n"), std::vector<std::string>{"/a\\04"});
}

// An ext4 image of 1 KiB blocks without reserved blocks, loop-mounted on a
// folder whose name has a space (as mountinfo escapes it).
class LoopVolumeTest : public testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "mounting a loop-device file system needs root";
    if (RunShell("command -v mkfs.ext4 >/dev/null; echo $?") != "0\n") GTEST_SKIP() << "mkfs.ext4 is missing";
    mountPoint = folder / "alarm disk";
    const std::string image = folder / "disk.img";
    ASSERT_EQ(mkdir(mountPoint.c_str(), 0755), 0);
    int status = 0;
    const std::string output = RunShell("truncate -s 32M '" + image + "' && mkfs.ext4 -q -F -m 0 -b 1024 '" + image +
                                            "' 2>&1 && mount -o loop '" + image + "' '" + mountPoint + "' 2>&1",
                                        &status);
    if (status != 0) GTEST_SKIP() << "could not loop-mount an ext4 image here: " << output;
    mounted = true;
  }

  void TearDown() override {
    if (bindMounted) RunShell("umount '" + folder / "bind" + "' 2>&1");
    if (mounted) RunShell("umount '" + mountPoint + "' 2>&1 || umount -l '" + mountPoint + "' 2>&1");
  }

  uint64_t Available() {
    struct statvfs status {};
    statvfs(mountPoint.c_str(), &status);
    return static_cast<uint64_t>(status.f_bavail) * status.f_frsize;
  }

  // Allocates files until exactly `bytes` stay available. The file system may
  // take a block of its own for a file's bookkeeping, so it closes in on the
  // figure step by step.
  bool FillTo(uint64_t bytes) {
    for (int step = 0; step < 200 && Available() > bytes; ++step) {
      const uint64_t excess = Available() - bytes;
      // Large steps leave room for the blocks the file system adds itself.
      const uint64_t take = excess > 64 * 1024 ? excess - 32 * 1024 : 1024;
      const std::string path = mountPoint + "/fill" + std::to_string(step);
      const int fd = open(path.c_str(), O_WRONLY | O_CREAT, 0644);
      if (fd < 0) return false;
      const bool allocated = fallocate(fd, 0, 0, static_cast<off_t>(take)) == 0;
      close(fd);
      if (!allocated) return false;
    }
    return Available() == bytes;
  }

  // Free-space alarms a cycle raises for this volume alone (the machine's
  // own volumes are tested too).
  std::vector<std::wstring> AlarmsForOurVolume(uint32_t minimumFreeSpace) {
    DriveSlots slots(kDiskButtonCount);
    MonitorConfig config;
    config.freeSpaceAction = AlarmAction::ShowNotification;
    config.minimumFreeSpace = minimumFreeSpace;
    TestDrives drives;
    LinuxVolumes volumes;
    SystemClock clock;
    RecordingPlatform platform;
    MonitorView view;
    MonitorCore core(slots, config, {drives.Opener(), volumes, clock, platform}, view);
    core.RunMonitoringCycle();
    std::vector<std::wstring> ours;
    const std::wstring prefix = L"balloon Taruk|Disk " + std::wstring(mountPoint.begin(), mountPoint.end()) + L":";
    for (const std::wstring& call : platform.calls) {
      if (call.rfind(prefix, 0) == 0) ours.push_back(call);
    }
    return ours;
  }

  ScratchDir folder;
  std::string mountPoint;
  bool mounted = false, bindMounted = false;
};

TEST_F(LoopVolumeTest, ExactlyTheMinimumAvailableTriggersAndAWholeMegabyteMoreDoesNot) {
  ASSERT_TRUE(FillTo(16'000'000)) << "available: " << Available();
  LinuxVolumes volumes;
  const std::wstring root(mountPoint.begin(), mountPoint.end());
  const auto roots = volumes.Roots();
  ASSERT_NE(std::find(roots.begin(), roots.end(), root), roots.end());
  uint64_t bytes = 0;
  ASSERT_TRUE(volumes.FreeBytesAvailable(root, bytes));
  EXPECT_EQ(bytes, 16'000'000u);

  const std::wstring atSixteen = L"balloon Taruk|Disk " + root +
                                 L": Minimum disk free space reached! Current free space 16 Mb, minimum 16 Mb|5000";
  EXPECT_EQ(AlarmsForOurVolume(16), std::vector<std::wstring>{atSixteen});
  EXPECT_TRUE(AlarmsForOurVolume(15).empty());

  // One block less and only 15 whole megabytes are left.
  ASSERT_TRUE(FillTo(16'000'000 - 1024));
  EXPECT_EQ(AlarmsForOurVolume(15).size(), 1u);
}

TEST_F(LoopVolumeTest, BindMountCountsOnceAndAnUnmountedVolumeIsGone) {
  const std::string bind = folder / "bind";
  ASSERT_EQ(mkdir(bind.c_str(), 0755), 0);
  ASSERT_EQ(system(("mount --bind '" + mountPoint + "' '" + bind + "'").c_str()), 0);
  bindMounted = true;
  LinuxVolumes volumes;
  auto roots = volumes.Roots();
  const std::wstring root(mountPoint.begin(), mountPoint.end());
  const std::wstring bindRoot(bind.begin(), bind.end());
  EXPECT_EQ(std::count(roots.begin(), roots.end(), bindRoot) + std::count(roots.begin(), roots.end(), root), 1);

  RunShell("umount '" + bind + "'");
  bindMounted = false;
  RunShell("umount '" + mountPoint + "'");
  mounted = false;
  roots = volumes.Roots();
  EXPECT_EQ(std::count(roots.begin(), roots.end(), root), 0);
  // The folder left behind is no volume of its own any more; a query on a
  // path that does not exist fails.
  uint64_t bytes = 0;
  EXPECT_FALSE(volumes.FreeBytesAvailable(L"/no/such/folder", bytes));
}

}  // namespace
