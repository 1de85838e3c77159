// The self-test schedule over a scripted clock and scripted drives: due
// times, staggering, sleeping drives, a test already running, a refusal,
// and a restart in the middle of a period with the state kept.
#include "core/monitor/self_test_schedule.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/monitor/monitoring_cycle.h"
#include "support/pages.h"
#include "support/quiet_machine.h"
#include "support/recording_platform.h"
#include "support/scheduled_monitor.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"
#include "support/scripted_device.h"
#include "support/self_test_pages.h"

using namespace taruk;

namespace {

constexpr int64_t kDay = 24 * 3600;
constexpr int64_t kStart = 1'800'000'000;  // some day in 2027

struct Step {
  const char* name;
  int64_t at;  // seconds after kStart
  std::vector<ScheduleCandidate> drives;
  std::optional<ScheduledStart> expected;
  bool accepted = true;
};

ScheduleCandidate Drive(int number, bool running = false, bool asleep = false) {
  return {number, L"S" + std::to_wstring(number), true, asleep, running};
}

void RunSteps(const SelfTestScheduleSettings& settings, const std::vector<Step>& steps, SelfTestScheduleState& state) {
  for (const Step& step : steps) {
    const int64_t now = kStart + step.at;
    const std::optional<ScheduledStart> start = NextScheduledSelfTest(settings, step.drives, now, state);
    EXPECT_EQ(start, step.expected) << step.name;
    if (start) RecordScheduledStart(*start, L"S" + std::to_wstring(start->driveNumber), step.accepted, now, state);
  }
}

const auto kShort = SelfTestRequest::Short;
const auto kExtended = SelfTestRequest::Extended;

// One ATA drive that offers short and extended tests and runs none.
void ScriptScheduledDrive(ScriptedOpener& opener) {
  ScriptedDevice& drive = opener.drives[0];
  drive.pages["identify 0"] = IdentifyPage("SCHEDULED", "1.0", "S0");
  Page data = AttributePage({{0, 194, 100, 100, {40}}});
  SetAtaSelfTestBytes(data, 0x00, 0x19);
  drive.pages["read-data 0"] = data;
  drive.pages["read-thresholds 0"] = ThresholdPage({{0, 194, 0}});
}

// The start the last opened device was sent, if any.
std::string StartSent(const ScriptedOpener& opener) {
  std::string sent;
  for (const std::string& request : opener.lastLog) {
    if (request.rfind("execute-offline", 0) == 0) sent = request;
  }
  return sent;
}

}  // namespace

TEST(SelfTestSchedule, OffByDefault) {
  SelfTestScheduleState state;
  EXPECT_FALSE(NextScheduledSelfTest({}, {Drive(0)}, kStart, state));
  EXPECT_TRUE(state.drives.empty());
}

TEST(SelfTestSchedule, TwoDrivesStaggeredNeverTwoExtendedAtOnce) {
  SelfTestScheduleSettings settings;
  settings.enabled = true;
  SelfTestScheduleState state;
  RunSteps(
      settings,
      {
          {"first sight: drive 0's short test", 0, {Drive(0), Drive(1)}, ScheduledStart{0, kShort}},
          {"drive 1's next; a short test may run beside another",
           60,
           {Drive(0, true), Drive(1)},
           ScheduledStart{1, kShort}},
          {"nothing more that day", 3 * 3600, {Drive(0), Drive(1)}, std::nullopt},
          {"a day later drive 0's first extended test", kDay, {Drive(0), Drive(1)}, ScheduledStart{0, kExtended}},
          {"drive 1's extended test is due, drive 0 still runs", 2 * kDay, {Drive(0, true), Drive(1)}, std::nullopt},
          {"drive 0 done: drive 1's extended test", 2 * kDay + 600, {Drive(0), Drive(1)}, ScheduledStart{1, kExtended}},
          {"the extended tests counted as short ones", 7 * kDay + 60, {Drive(0), Drive(1)}, std::nullopt},
          {"a week after drive 0's extended test: its short test",
           8 * kDay,
           {Drive(0), Drive(1)},
           ScheduledStart{0, kShort}},
          {"a month after: extended again", 31 * kDay, {Drive(0), Drive(1)}, ScheduledStart{0, kExtended}},
      },
      state);
}

TEST(SelfTestSchedule, SleepingRunningRefusedAndUnable) {
  SelfTestScheduleSettings settings;
  settings.enabled = true;
  settings.extendedEveryDays = 0;  // short tests only
  SelfTestScheduleState state;
  ScheduleCandidate unable = Drive(2);
  unable.offersTests = false;
  RunSteps(settings,
           {
               {"asleep: waits", 0, {Drive(0, false, true), unable}, std::nullopt},
               {"a test the user started runs: nothing over it", 600, {Drive(0, true)}, std::nullopt},
               {"awake and idle: started, but refused", 1200, {Drive(0)}, ScheduledStart{0, kShort}, false},
               {"not again within the hour", 1200 + 1800, {Drive(0)}, std::nullopt},
               {"an hour later, tried again", 1200 + 3600, {Drive(0)}, ScheduledStart{0, kShort}},
           },
           state);
  EXPECT_EQ(state.drives.size(), 1u);  // the drive without self-tests is not remembered
}

TEST(SelfTestSchedule, RestartMidPeriodKeepsTheStateAndMakesUpNoMissedPeriods) {
  SelfTestScheduleSettings settings;
  settings.enabled = true;
  settings.extendedEveryDays = 0;
  SelfTestScheduleState state;
  RunSteps(settings, {{"first short test", 0, {Drive(0)}, ScheduledStart{0, kShort}}}, state);
  // The monitor stops and starts again with the state it kept.
  SelfTestScheduleState kept = state;
  RunSteps(settings,
           {
               {"three days in: not due", 3 * kDay, {Drive(0)}, std::nullopt},
               {"a week: due", 7 * kDay, {Drive(0)}, ScheduledStart{0, kShort}},
               {"off for three weeks: one test, not three", 28 * kDay, {Drive(0)}, ScheduledStart{0, kShort}},
               {"and then the next period", 29 * kDay, {Drive(0)}, std::nullopt},
           },
           kept);
  // A different drive in the same place is a new drive.
  ScheduleCandidate other = Drive(0);
  other.serialNumber = L"OTHER";
  EXPECT_EQ(NextScheduledSelfTest(settings, {other}, kStart + 29 * kDay + 60, kept), (ScheduledStart{0, kShort}));
}

// The schedule at work in the monitor: the cycle starts what is due on the
// drive itself, keeps the start in taruk.toml, and a restart goes on from
// there; the demo drives never get a test.
TEST(SelfTestSchedule, TheMonitorStartsWhatIsDueAndARestartKeepsThePeriods) {
  ScratchDir scratch;
  ScopedEnv appData{"APPDATA", scratch.path()};
  std::filesystem::create_directories(scratch / "Taruk");
  WriteFileBytes(scratch / "Taruk/taruk.toml", "[selftest]\nenabled = true\n");

  ScriptedOpener opener;
  ScriptScheduledDrive(opener);

  FixedClock clock;
  NoVolumes volumes;
  RecordingPlatform platform;
  const auto cycleAt = [&](int64_t day, bool demo = false) {
    DriveSlots slots(kDiskButtonCount);
    MonitorConfig config;
    MonitorCore core(slots, config,
                     {.drives = opener, .volumes = volumes, .clock = clock, .platform = platform, .demoDrives = demo});
    core.LoadSelfTestSchedule();  // a fresh monitor each time: a restart
    clock.unixSeconds = kStart + day * kDay;
    core.RunMonitoringCycle();
    return StartSent(opener);
  };
  EXPECT_EQ(cycleAt(0, true), "") << "demo drives";
  EXPECT_EQ(cycleAt(0), "execute-offline 0 0x01") << "a new drive gets its short test at once";
  EXPECT_EQ(cycleAt(0), "") << "not twice, after a restart";
  EXPECT_EQ(cycleAt(1), "execute-offline 0 0x02") << "its extended test a day later";
  EXPECT_EQ(cycleAt(6), "") << "the extended test counts as a short one";
  EXPECT_EQ(cycleAt(8), "execute-offline 0 0x01");
  EXPECT_EQ(cycleAt(31), "execute-offline 0 0x02");
  const std::string kept = ReadFileBytes(scratch / "Taruk/taruk.toml");
  EXPECT_NE(kept.find("S0 = \"" + std::to_string(kStart + 31 * kDay)), std::string::npos) << kept;
}

// One running monitor: the schedule turned on, then off, in taruk.toml
// while it runs is taken at the next cycle, and the starts it made in
// memory are kept over the reloads.
TEST(SelfTestSchedule, ARunningMonitorTakesAChangedSchedule) {
  ScriptedOpener opener;
  ScriptScheduledDrive(opener);
  ScheduledMonitor monitor(opener, "[selftest]\nenabled = false\n");
  const std::string file = monitor.file;
  const auto cycleAt = [&](int64_t day) {
    monitor.CycleAt(kStart + day * kDay);
    return StartSent(opener);
  };
  EXPECT_EQ(cycleAt(0), "") << "off";
  WriteFileBytes(file, "[selftest]\nenabled = true\n");
  EXPECT_EQ(cycleAt(0), "execute-offline 0 0x01") << "turned on while running";
  EXPECT_EQ(cycleAt(0), "") << "its own start kept over the reload of the file it wrote";
  std::string text = ReadFileBytes(file);
  text.replace(text.find("enabled = true"), 14, "enabled = false");
  WriteFileBytes(file, text);
  EXPECT_EQ(cycleAt(8), "") << "turned off again";
}
