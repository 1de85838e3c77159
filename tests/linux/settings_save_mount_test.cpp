// Saving the settings onto real file systems that refuse the write. Needs
// root: each test mounts a tmpfs in a mount namespace of its own, so nothing
// is left mounted on the machine whatever happens to the test.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "core/settings/settings_file.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

using namespace taruk;

namespace {

class SettingsSaveMountTest : public testing::Test {
 protected:
  ScratchDir scratch;
  std::string mountPoint = scratch / "appdata";
  std::optional<ScopedEnv> appData;
  std::string folder = mountPoint + "/Taruk";
  std::string file = folder + "/conf.dat";

  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to mount a tmpfs (CI runs as root)";
    if (unshare(CLONE_NEWNS) != 0) {
      GTEST_SKIP() << "can't make a private mount namespace: " << std::strerror(errno);
    }
    ASSERT_EQ(mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr), 0) << std::strerror(errno);
    ASSERT_EQ(mkdir(mountPoint.c_str(), 0700), 0);
    ASSERT_EQ(mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k"), 0) << std::strerror(errno);
    mounted_ = true;
    appData.emplace("APPDATA", mountPoint);
    MonitorConfig config;
    LoadSettings(config);
    ASSERT_TRUE(SaveSettings(config));
    ASSERT_EQ(ReadFileBytes(file), kOldFile);
  }

  void TearDown() override {
    if (mounted_) umount2(mountPoint.c_str(), MNT_DETACH);
  }

  static MonitorConfig Changed() {
    MonitorConfig config;
    config.minimumFreeSpace = 123456;
    return config;
  }

  static constexpr const char* kOldFile = "60 55 0 0 0 taruk@example.invalid smtp.example.invalid";

 private:
  bool mounted_ = false;
};

}  // namespace

TEST_F(SettingsSaveMountTest, ReadOnlyFolderKeepsTheOldFile) {
  ASSERT_EQ(mount(nullptr, mountPoint.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0) << std::strerror(errno);
  EXPECT_FALSE(SaveSettings(Changed()));
  EXPECT_EQ(ReadFileBytes(file), kOldFile);
}

TEST_F(SettingsSaveMountTest, FullFileSystemKeepsTheOldFileAndLeavesNoDebris) {
  const std::string filler = mountPoint + "/filler";
  const int fd = open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  const std::string block(4096, 'x');
  while (write(fd, block.data(), block.size()) > 0) {
  }
  const int fillError = errno;
  close(fd);
  ASSERT_EQ(fillError, ENOSPC);

  EXPECT_FALSE(SaveSettings(Changed()));
  EXPECT_EQ(ReadFileBytes(file), kOldFile);
  EXPECT_EQ(ListFolder(folder), "conf.dat ");

  // Once there is room again the same save goes through.
  ASSERT_EQ(unlink(filler.c_str()), 0);
  EXPECT_TRUE(SaveSettings(Changed()));
  MonitorConfig loaded;
  LoadSettings(loaded);
  EXPECT_EQ(loaded.minimumFreeSpace, 123456u);
}
