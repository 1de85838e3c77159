// The autostart entry on real file systems: a private folder through
// XDG_CONFIG_DIRS, and a read-only mount for the failure.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/linux/autostart.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class AutostartTest : public testing::Test {
 protected:
  fs::path Entry() const { return root / "xdg" / "autostart" / "Taruk.desktop"; }

  ScratchDir scratch;
  const fs::path root = scratch.path();
  ScopedEnv configDirs{"XDG_CONFIG_DIRS", (root / "xdg").string()};
};

}  // namespace

TEST_F(AutostartTest, EntryPathFollowsTheFirstAbsoluteConfigFolder) {
  EXPECT_EQ(AutostartEntryPath(), Entry().string());
  setenv("XDG_CONFIG_DIRS", "relative/xdg:/opt/xdg/:/usr/xdg", 1);
  EXPECT_EQ(AutostartEntryPath(), "/opt/xdg/autostart/Taruk.desktop");
  setenv("XDG_CONFIG_DIRS", "", 1);
  EXPECT_EQ(AutostartEntryPath(), "/etc/xdg/autostart/Taruk.desktop");
  unsetenv("XDG_CONFIG_DIRS");
  EXPECT_EQ(AutostartEntryPath(), "/etc/xdg/autostart/Taruk.desktop");
}

TEST_F(AutostartTest, CreatedRewrittenDetectedAndRemoved) {
  EXPECT_FALSE(AutostartEntryExists());
  ASSERT_EQ(WriteAutostartEntry("/usr/bin/taruk"), 0);  // the folders are created too
  EXPECT_TRUE(AutostartEntryExists());
  EXPECT_NE(ReadFile(Entry()).find("\nExec=/usr/bin/taruk\n"), std::string::npos);
  struct stat info {};
  ASSERT_EQ(stat(Entry().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);

  ASSERT_EQ(WriteAutostartEntry("/opt/taruk/taruk"), 0);
  EXPECT_NE(ReadFile(Entry()).find("\nExec=/opt/taruk/taruk\n"), std::string::npos);
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(Entry().parent_path()), fs::directory_iterator()), 1);

  RemoveAutostartEntry();
  EXPECT_FALSE(AutostartEntryExists());
  RemoveAutostartEntry();  // already gone: nothing to say
}

TEST_F(AutostartTest, AnyReadableEntryCountsWhateverItHolds) {
  fs::create_directories(Entry().parent_path());
  std::ofstream(Entry()) << "";
  EXPECT_TRUE(AutostartEntryExists());
  std::ofstream(Entry()) << std::string(5000, 'x');  // far longer than an entry
  EXPECT_TRUE(AutostartEntryExists());
  fs::remove(Entry());
  // A folder of that name is no entry.
  fs::create_directories(Entry());
  EXPECT_FALSE(AutostartEntryExists());
}

TEST_F(AutostartTest, PathsWithSpecialCharactersAreQuotedForTheDesktop) {
  EXPECT_NE(AutostartEntryText("/opt/my apps/taruk").find("\nExec=\"/opt/my apps/taruk\"\n"), std::string::npos);
  // Backslash: escaped for the quotes and again for the string: four of them.
  EXPECT_NE(AutostartEntryText("/opt/a\\b/$x/100%/taruk").find("\nExec=\"/opt/a\\\\\\\\b/\\\\$x/100%%/taruk\"\n"),
            std::string::npos);
  EXPECT_NE(AutostartEntryText("/opt/a\nb").find("\nExec=\"/opt/a\\nb\"\n"), std::string::npos);
  if (access("/usr/bin/desktop-file-validate", X_OK) != 0) GTEST_SKIP() << "desktop-file-validate is not installed";
  for (const std::string path : {"/usr/bin/taruk", "/opt/my apps/taruk", "/opt/it's \"here\"/taruk`$"}) {
    ASSERT_EQ(WriteAutostartEntry(path), 0);
    const std::string command = "desktop-file-validate '" + Entry().string() + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << ReadFile(Entry());
  }
}

TEST_F(AutostartTest, ReadOnlyFolderReportsTheSystemsErrorAndKeepsTheEntry) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting a read-only file system needs root";
  const fs::path xdg = root / "xdg";
  fs::create_directories(xdg / "autostart");
  std::ofstream(xdg / "autostart" / "Taruk.desktop") << "[Desktop Entry]\nExec=/old/taruk\n";
  // A read-only bind of the folder over itself.
  if (mount(xdg.c_str(), xdg.c_str(), nullptr, MS_BIND, nullptr) != 0)
    GTEST_SKIP() << "cannot bind-mount here: " << SystemErrorText(errno);
  ASSERT_EQ(mount(nullptr, xdg.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr), 0)
      << SystemErrorText(errno);
  const int error = WriteAutostartEntry("/usr/bin/taruk");
  const std::string text = ReadFile(Entry());
  umount(xdg.c_str());
  EXPECT_EQ(error, EROFS);
  EXPECT_EQ(SystemErrorText(error), "Read-only file system");
  EXPECT_EQ(text, "[Desktop Entry]\nExec=/old/taruk\n");
}

TEST_F(AutostartTest, MissingFolderOnAReadOnlyMountCannotBeCreated) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting a read-only file system needs root";
  const fs::path xdg = root / "xdg";
  fs::create_directories(xdg);
  if (mount("tmpfs", xdg.c_str(), "tmpfs", MS_RDONLY, "size=64k") != 0)
    GTEST_SKIP() << "cannot mount tmpfs here: " << SystemErrorText(errno);
  const int error = WriteAutostartEntry("/usr/bin/taruk");
  umount(xdg.c_str());
  EXPECT_EQ(error, EROFS);
  EXPECT_FALSE(AutostartEntryExists());
}
