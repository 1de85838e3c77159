// The schedule's settings and state through the side file's text: what a
// user writes by hand is read, what the program writes reads back, and
// anything out of range keeps its default.
#include "core/monitor/self_test_schedule_store.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/base/utf8_text.h"
#include "core/view/self_test_schedule_form.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

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

// The Options dialog's fields: whole days from 0 to ten years, and only the
// values that changed written, beside a user's comment.
TEST(SelfTestScheduleStore, OptionsFormChecksDaysAndWritesOnlyChanges) {
  const std::pair<std::wstring, bool> days[] = {{L"0", true},   {L"3650", true}, {L"3651", false},  {L"", false},
                                                {L"-1", false}, {L"7 ", false},  {L"99999", false}, {L"00007", true}};
  for (const auto& [text, good] : days) {
    SelfTestScheduleSettings settings;
    std::wstring error;
    EXPECT_EQ(ReadSelfTestScheduleForm({true, text, L"30"}, settings, error), good) << ToUtf8(text);
    EXPECT_EQ(ReadSelfTestScheduleForm({true, L"7", text}, settings, error), good) << ToUtf8(text);
    EXPECT_EQ(error.empty(), good);
  }

  ScratchDir scratch;
  ScopedEnv appData{"APPDATA", scratch.path()};
  std::filesystem::create_directories(scratch / "Taruk");
  const std::string file = scratch / "Taruk/taruk.toml";
  WriteFileBytes(file, "[selftest]\n# weekly is enough\nshort-every-days = 7\n");
  const SelfTestScheduleForm loaded = LoadSelfTestScheduleForm();
  EXPECT_FALSE(loaded.enabled);
  EXPECT_EQ(loaded.shortDays, L"7");
  EXPECT_EQ(loaded.extendedDays, L"30");
  SelfTestScheduleSettings settings;
  std::wstring error;
  ASSERT_TRUE(ReadSelfTestScheduleForm({true, L"7", L"14"}, settings, error));
  EXPECT_EQ(StoreSelfTestSchedule(loaded, settings), L"");
  EXPECT_EQ(ReadFileBytes(file),
            "[selftest]\nextended-every-days = 14\nenabled = true\n# weekly is enough\nshort-every-days = 7\n");
  WriteFileBytes(file, "[selftest\n");
  EXPECT_EQ(StoreSelfTestSchedule(loaded, {false, 7, 30}), L"") << "nothing changed: a bad file is not touched";
  EXPECT_NE(StoreSelfTestSchedule(loaded, settings).find(L"Can't store the self-test schedule: "), std::wstring::npos);
  EXPECT_EQ(ReadFileBytes(file), "[selftest\n");
}
