// Where the autostart entries are and what they say: the user's own, which
// the box writes, and a machine-wide one, which counts as set. The box itself
// and a read-only folder are tested through the Options dialog.
#include "linux/autostart.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "support/scoped_env.h"
#include "support/scratch_dir.h"

using namespace taruk;

class AutostartTest : public testing::Test {
 protected:
  std::string Entry() const { return scratch / "home/autostart/Taruk.desktop"; }
  std::string MachineEntry() const { return scratch / "xdg/autostart/Taruk.desktop"; }

  ScratchDir scratch;
  ScopedEnv configDirs{"XDG_CONFIG_DIRS", scratch / "xdg"};
  ScopedEnv configHome{"XDG_CONFIG_HOME", scratch / "home"};
};

TEST_F(AutostartTest, EntriesLiveInTheUsersAndTheFirstAbsoluteMachineConfigFolder) {
  EXPECT_EQ(UserAutostartEntryPath(), Entry());
  EXPECT_EQ(AutostartEntryPath(), MachineEntry());
  ScopedEnv home{"HOME", "/home/u"};
  setenv("XDG_CONFIG_HOME", "relative", 1);
  EXPECT_EQ(UserAutostartEntryPath(), "/home/u/.config/autostart/Taruk.desktop");
  setenv("XDG_CONFIG_DIRS", "relative/xdg:/opt/xdg/:/usr/xdg", 1);
  EXPECT_EQ(AutostartEntryPath(), "/opt/xdg/autostart/Taruk.desktop");
  setenv("XDG_CONFIG_DIRS", "", 1);
  EXPECT_EQ(AutostartEntryPath(), "/etc/xdg/autostart/Taruk.desktop");
}

TEST_F(AutostartTest, PathsWithSpecialCharactersAreQuotedForTheDesktop) {
  EXPECT_NE(AutostartEntryText("/opt/my apps/taruk").find("\nExec=\"/opt/my apps/taruk\"\n"), std::string::npos);
  // A backslash is escaped for the quotes, then again for the string.
  EXPECT_NE(AutostartEntryText("/a\\b/$x/100%").find("\nExec=\"/a\\\\\\\\b/\\\\$x/100%%\"\n"), std::string::npos);
  if (access("/usr/bin/desktop-file-validate", X_OK) != 0) GTEST_SKIP() << "desktop-file-validate is not installed";
  for (const std::string path : {"/usr/bin/taruk", "/opt/my apps/taruk", "/opt/it's \"here\"/a\nb`$"}) {
    ASSERT_EQ(WriteAutostartEntry(path), 0);
    EXPECT_EQ(std::system(("desktop-file-validate '" + Entry() + "'").c_str()), 0) << ReadFileBytes(Entry());
  }
}

// The user's own entry is what the box writes and removes; a machine-wide
// entry shows as set, and clearing the box hides it for this user alone, as
// an ordinary user cannot remove it.
TEST_F(AutostartTest, UsersEntryStandsInForTheMachineWideOne) {
  EXPECT_FALSE(AutostartEntryExists());
  ASSERT_EQ(WriteAutostartEntry("/usr/bin/taruk"), 0);
  EXPECT_TRUE(AutostartEntryExists());
  EXPECT_FALSE(std::filesystem::exists(MachineEntry()));
  RemoveAutostartEntry();
  EXPECT_FALSE(AutostartEntryExists());
  EXPECT_FALSE(std::filesystem::exists(Entry()));  // nothing to hide: nothing left behind

  std::filesystem::create_directories(scratch / "xdg/autostart");
  ASSERT_TRUE(WriteFileBytes(MachineEntry(), "written by the package\n"));
  EXPECT_TRUE(AutostartEntryExists());
  RemoveAutostartEntry();
  EXPECT_FALSE(AutostartEntryExists());
  EXPECT_EQ(ReadFileBytes(MachineEntry()), "written by the package\n");
  EXPECT_NE(ReadFileBytes(Entry()).find("\nHidden=true\n"), std::string::npos);
  if (access("/usr/bin/desktop-file-validate", X_OK) == 0) {
    EXPECT_EQ(std::system(("desktop-file-validate '" + Entry() + "'").c_str()), 0) << ReadFileBytes(Entry());
  }
  // Ticked again, the user's entry starts it once more.
  ASSERT_EQ(WriteAutostartEntry("/usr/bin/taruk"), 0);
  EXPECT_TRUE(AutostartEntryExists());
}
