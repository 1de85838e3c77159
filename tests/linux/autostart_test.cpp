// Where the autostart entry goes and what it says. Creating, finding and
// removing it, and a read-only folder, are tested through the Options dialog.
#include <gtest/gtest.h>
#include <unistd.h>


#include "linux/autostart.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

using namespace taruk;

class AutostartTest : public testing::Test {
 protected:
  std::string Entry() const { return scratch / "xdg/autostart/Taruk.desktop"; }

  ScratchDir scratch;
  ScopedEnv configDirs{"XDG_CONFIG_DIRS", scratch / "xdg"};
};

TEST_F(AutostartTest, EntryLivesInTheFirstAbsoluteConfigFolder) {
  EXPECT_EQ(AutostartEntryPath(), Entry());
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
