// The running monitor's one reader of taruk.toml: a change is seen at the
// next look, a missing file is not looked for again and again.
#include "core/monitor/side_settings_watch.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/alarm/alarm_mail_schedule.h"
#include "core/view/health_look.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

using namespace taruk;

TEST(SideSettingsWatch, SeesEachChangeAtTheNextLook) {
  ScratchDir scratch;
  ScopedEnv appData{"APPDATA", scratch.path()};
  std::filesystem::create_directories(scratch / "Taruk");
  const std::string file = scratch / "Taruk/taruk.toml";

  SideSettingsWatch watch;
  EXPECT_TRUE(watch.Current().tables.empty());
  const uint64_t missing = watch.Generation();
  EXPECT_EQ(watch.Generation(), missing) << "a missing file is not read again";

  ASSERT_TRUE(WriteFileBytes(file, "[tray]\nicon = \"temperature\"\n[mail]\nreminder-hours = 6\n"));
  SideSettings side = watch.Current();
  EXPECT_EQ(ReadTrayIconMode(side), TrayIconMode::Temperature);
  EXPECT_EQ(ReadMailReminderSeconds(side), 6 * 3600);
  EXPECT_GT(watch.Generation(), missing);

  // Written just now, as the Options dialog does: same size, new value.
  ASSERT_TRUE(WriteFileBytes(file, "[tray]\nicon = \"health!!!!!\"\n[mail]\nreminder-hours = 0\n"));
  side = watch.Current();
  EXPECT_EQ(ReadTrayIconMode(side), TrayIconMode::Health);
  EXPECT_EQ(ReadMailReminderSeconds(side), 0);

  ASSERT_TRUE(WriteFileBytes(file, "[tray\n"));
  EXPECT_TRUE(watch.Current().tables.empty()) << "a file that no longer parses counts as none";
  std::filesystem::remove(file);
  EXPECT_TRUE(watch.Current().tables.empty());
}
