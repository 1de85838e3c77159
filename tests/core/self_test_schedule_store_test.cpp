// The schedule's settings and state through the side file's text: what a
// user writes by hand is read, what the program writes reads back, and
// anything out of range keeps its default.
#include "core/monitor/self_test_schedule_store.h"

#include <gtest/gtest.h>

using namespace taruk;

TEST(SelfTestScheduleStore, ReadsWhatItWritesAndKeepsDefaultsForNonsense) {
  std::string text =
      "# by hand\n[selftest]\nenabled = true\nshort-every-days = 3\nextended-every-days = -4\n"
      "[selftest.last-start]\n\"BROKEN\" = \"12 x\"\n";
  SelfTestScheduleState state;
  state.drives = {{L"WD-WCC4E1234567", 1800000000, 1797408000, 0}, {L"  PADDED  ", 5, 6, 0}};
  std::string error;
  ASSERT_TRUE(EditSideSettings(text, SelfTestScheduleChanges(state), error)) << error;
  SideSettings side;
  ASSERT_TRUE(ParseSideSettings(text, side, error)) << error;
  SelfTestScheduleSettings settings;
  SelfTestScheduleState read;
  LoadSelfTestSchedule(side, settings, read);
  EXPECT_TRUE(settings.enabled);
  EXPECT_EQ(settings.shortEveryDays, 3u);
  EXPECT_EQ(settings.extendedEveryDays, 30u);  // a negative period keeps the default
  ASSERT_EQ(read.drives.size(), 2u);           // the broken entry is skipped
  EXPECT_EQ(read.drives[0], (ScheduledDrive{L"  PADDED  ", 5, 6, 0}));
  EXPECT_EQ(read.drives[1], (ScheduledDrive{L"WD-WCC4E1234567", 1800000000, 1797408000, 0}));
  EXPECT_NE(text.find("# by hand"), std::string::npos);

  SelfTestScheduleSettings none;
  LoadSelfTestSchedule(SideSettings{}, none, read);
  EXPECT_FALSE(none.enabled);
  EXPECT_TRUE(read.drives.empty());
}
