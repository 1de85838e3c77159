#include "core/monitor/monitoring_cycle.h"

#include <gtest/gtest.h>

#include <map>

#include "core/base/executable_path.h"
#include "core/base/machine_name.h"
#include "core/base/path_text.h"
#include "support/quiet_machine.h"
#include "support/recording_platform.h"
#include "support/stop_trigger.h"
#include "support/test_drives.h"

using namespace taruk;

namespace {

// alarm.wav in the build folder, where every executable of the build lies,
// this test's own among them.
std::wstring AlarmSoundPathForTest() {
  const std::wstring binary = PathBytesToWide(RunningExecutablePath());
  return binary.substr(0, binary.find_last_of(L"/\\") + 1) + L"alarm.wav";
}

class CountingView : public MonitorView {
 public:
  std::vector<int> buttons;
  int panelRefreshes = 0;
  void ShowDiskButton(int driveIndex) override { buttons.push_back(driveIndex); }
  void ShowSelectedDriveInfo() override { ++panelRefreshes; }
};

class MonitoringCycleTest : public testing::Test {
 protected:
  MonitoringCycleTest()
      : core(slots, config,
             {.drives = drives.Opener(),
              .volumes = volumes,
              .clock = clock,
              .platform = platform,
              .stop = stop.signal()},
             view) {
    config.temperatureAction = AlarmAction::ShowNotification;
  }

  void Tick() {
    ++clock.minute;
    core.RunMonitoringCycle();
  }

  std::wstring TemperatureBalloon(int drive, const std::wstring& model, int critical) {
    return L"balloon Taruk|HD" + std::to_wstring(drive) + L": " + ShownText(model) +
           L" Critical temperature reached (" + std::to_wstring(critical) + L" \u00B0C)|5000";
  }

  // The model as the reading pass stores it: padded to 40 characters.
  static std::wstring Padded(const std::wstring& model) { return model + std::wstring(40 - model.size(), L' '); }

  DriveSlots slots = DriveSlots(kDiskButtonCount);
  MonitorConfig config;
  TestDrives drives;
  TableVolumes volumes;
  FixedClock clock;
  RecordingPlatform platform;
  CountingView view;
  StopTrigger stop;  // raised by the tests that stop the monitor
  MonitorCore core;
};

TEST_F(MonitoringCycleTest, CriticalTemperatureIncludesEqualityAndNothingBelowIt) {
  drives.Set(0, "HOT DRIVE", 55);
  drives.Set(1, "COOL DRIVE", 54);
  Tick();
  EXPECT_EQ(platform.calls, std::vector<std::wstring>{TemperatureBalloon(0, Padded(L"HOT DRIVE"), 55)});
  EXPECT_EQ(view.buttons, (std::vector<int>{0, 1}));
  EXPECT_EQ(view.panelRefreshes, 1);
}

TEST_F(MonitoringCycleTest, NoReadingNeverTriggersUnlessTheCriticalTemperatureIsZero) {
  drives.Set(2, "NO SENSOR", 0);
  config.criticalTemperature = 1;
  Tick();
  EXPECT_TRUE(platform.calls.empty());

  // A hand-edited 0 makes every present drive hot, even without a reading;
  // the absent slots still never alarm.
  config.criticalTemperature = 0;
  Tick();
  EXPECT_EQ(platform.calls, std::vector<std::wstring>{TemperatureBalloon(2, Padded(L"NO SENSOR"), 0)});
}

TEST_F(MonitoringCycleTest, FourHotDrivesAlarmInDriveOrderEachBeforeItsOwnHistoryStep) {
  for (int n = 0; n < 4; ++n) drives.Set(n, "DRIVE " + std::to_string(n), static_cast<uint8_t>(60 + n));
  // At each alarm, the drives before it already hold this cycle's sample and
  // the alarming drive and those after it do not yet.
  std::vector<std::string> historyAtAlarm;
  platform.onCall = [&] {
    std::string seen;
    for (const DriveSlot& slot : slots) seen += slot.minuteHistory[0] == slot.temperature ? 'R' : '-';
    historyAtAlarm.push_back(seen);
  };
  Tick();
  ASSERT_EQ(platform.calls.size(), 4u);
  for (int n = 0; n < 4; ++n) {
    EXPECT_EQ(platform.calls[static_cast<size_t>(n)],
              TemperatureBalloon(n, Padded(L"DRIVE " + std::to_wstring(n)), 55));
  }
  EXPECT_EQ(historyAtAlarm, (std::vector<std::string>{"----", "R---", "RR--", "RRR-"}));
  for (const DriveSlot& slot : slots) EXPECT_EQ(slot.minuteHistory[0], slot.temperature);
}

TEST_F(MonitoringCycleTest, AlarmsDoNotLatchAndAVanishedHotDriveKeepsAlarming) {
  drives.Set(1, "HOT DRIVE", 70);
  Tick();
  Tick();
  // The drive stops answering: its slot keeps the last reading.
  drives.Remove(1);
  Tick();
  EXPECT_EQ(platform.calls, std::vector<std::wstring>(3, TemperatureBalloon(1, Padded(L"HOT DRIVE"), 55)));

  // Cooling down ends it at the next cycle.
  drives.Set(1, "HOT DRIVE", 40);
  Tick();
  EXPECT_EQ(platform.calls.size(), 3u);
}

TEST_F(MonitoringCycleTest, ASleepingDriveKeepsItsLastTemperatureTestedAndRecordedUntilItWakes) {
  drives.Set(1, "HOT DRIVE", 70, 0xFF);
  Tick();
  // It spins down; read, it would now say 30 degrees.
  drives.Set(1, "HOT DRIVE", 30, 0x00);
  Tick();
  Tick();
  const DriveSlot& slot = slots[1];
  EXPECT_EQ(slot.powerMode, PowerMode::Standby);
  EXPECT_EQ(slot.temperature, 70u);
  EXPECT_EQ(slot.minuteHistory[0], 70u);
  EXPECT_EQ(slot.minuteHistory[1], 70u);
  EXPECT_EQ(platform.calls, std::vector<std::wstring>(3, TemperatureBalloon(1, Padded(L"HOT DRIVE"), 55)));

  // Woken by its own use: read in full at the next tick.
  drives.Set(1, "HOT DRIVE", 30, 0x80);
  Tick();
  EXPECT_EQ(slot.powerMode, PowerMode::Active);
  EXPECT_EQ(slot.temperature, 30u);
  EXPECT_EQ(slot.minuteHistory[0], 30u);
  EXPECT_EQ(platform.calls.size(), 3u);
}

TEST_F(MonitoringCycleTest, AStopRequestEndsTheActionsButNotTheHistory) {
  for (int n = 0; n < 4; ++n) drives.Set(n, "DRIVE " + std::to_string(n), 60);
  config.freeSpaceAction = AlarmAction::ShowNotification;
  volumes.Add(L"/full", 0);
  // The request comes while the first action runs.
  platform.onCall = [&] { stop.Raise(); };
  Tick();
  EXPECT_EQ(platform.calls, std::vector<std::wstring>{TemperatureBalloon(0, Padded(L"DRIVE 0"), 55)});
  for (const DriveSlot& slot : slots) EXPECT_EQ(slot.minuteHistory[0], 60u);
}

TEST_F(MonitoringCycleTest, CycleStartedWhileOneIsRunningIsSkipped) {
  drives.Set(0, "HOT DRIVE", 60);
  drives.Set(3, "HOT DRIVE 3", 60);
  // An error box shown inside the cycle keeps delivering timer ticks.
  int nested = 0;
  platform.onCall = [&] {
    ++nested;
    core.RunMonitoringCycle();
  };
  Tick();
  EXPECT_EQ(nested, 2);
  EXPECT_EQ(platform.calls.size(), 2u);
  // The guard is released afterwards: the next tick runs in full.
  platform.onCall = nullptr;
  Tick();
  EXPECT_EQ(platform.calls.size(), 4u);
}

TEST_F(MonitoringCycleTest, FreeSpaceActionNoneQueriesNoVolumeAtAll) {
  volumes.Add(L"/", 0);
  config.freeSpaceAction = AlarmAction::None;
  config.minimumFreeSpace = 1000;
  Tick();
  EXPECT_EQ(volumes.queries, 0);
  EXPECT_TRUE(platform.calls.empty());
}

TEST_F(MonitoringCycleTest, FreeSpaceIsCountedInWholeMegabytesAndIncludesTheMinimum) {
  config.freeSpaceAction = AlarmAction::ShowNotification;
  config.minimumFreeSpace = 16;
  volumes.Add(L"/exact", 16'000'000);  // 16 Mb: equal, alarms
  volumes.Add(L"/gone", 0);            // cannot be queried: skipped
  volumes.freeBytes.erase(L"/gone");
  volumes.Add(L"/almost17", 16'999'999);                // still 16 whole megabytes
  volumes.Add(L"/seventeen", 17'000'000);               // above the minimum
  volumes.Add(L"/huge", 5'000'000'000'000'000'000ull);  // past 32 bits of megabytes
  Tick();
  const auto balloon = [](const std::wstring& root, int freeMb) {
    return L"balloon Taruk|Disk " + root + L": Minimum disk free space reached! Current free space " +
           std::to_wstring(freeMb) + L" Mb, minimum 16 Mb|5000";
  };
  EXPECT_EQ(platform.calls, (std::vector<std::wstring>{balloon(L"/exact", 16), balloon(L"/almost17", 16)}));
}

TEST_F(MonitoringCycleTest, MinimumZeroStillCatchesAVolumeWithLessThanOneMegabyte) {
  config.freeSpaceAction = AlarmAction::SendEmail;
  config.minimumFreeSpace = 0;
  volumes.Add(L"/media/cdrom", 0);
  volumes.Add(L"/data", 1'000'000);
  Tick();
  Tick();
  // The placeholder server never resolves: the mail fails, silently for the
  // user, and is tried again on every cycle until it gets through.
  ASSERT_EQ(platform.calls.size(), 2u);
  EXPECT_EQ(platform.calls[0], L"mail taruk@example.invalid|Taruk - minimum disk space reached: /media/cdrom on " +
                                   MachineName() + L"|failed|Unable to connect to server");
  EXPECT_EQ(platform.calls[1], platform.calls[0]);
}

TEST_F(MonitoringCycleTest, OnlyTheFirstTwentySixVolumesAreTested) {
  config.freeSpaceAction = AlarmAction::ShutDown;
  config.minimumFreeSpace = 1;
  for (int i = 0; i < 30; ++i) volumes.Add(L"/v" + std::to_wstring(100 + i), 0);
  Tick();
  // Privilege step and shutdown per volume.
  EXPECT_EQ(platform.calls.size(), 52u);
}

// Every action value, through the temperature alarm.
class AlarmActionTest : public MonitoringCycleTest {
 protected:
  std::vector<std::wstring> CallsFor(AlarmAction action) {
    config.temperatureAction = action;
    platform.calls.clear();
    core.RunTemperatureAlarm(1);
    return platform.calls;
  }
};

TEST_F(AlarmActionTest, ValuesOutsideOneToSixDoNothing) {
  drives.Set(1, "HOT", 60);
  Tick();
  for (int value : {0, -1, 7, 1000, -2147483647 - 1}) {
    EXPECT_TRUE(CallsFor(static_cast<AlarmAction>(value)).empty()) << value;
  }
}

TEST_F(AlarmActionTest, PowerActionsTakeThePrivilegeStepFirst) {
  EXPECT_EQ(CallsFor(AlarmAction::ShutDown), (std::vector<std::wstring>{L"privilege shutdown", L"shutdown"}));
  EXPECT_EQ(CallsFor(AlarmAction::Suspend), (std::vector<std::wstring>{L"privilege suspend", L"suspend"}));
  EXPECT_EQ(CallsFor(AlarmAction::Hibernate), (std::vector<std::wstring>{L"privilege hibernate", L"hibernate"}));
}

TEST_F(AlarmActionTest, SoundPlaysTheAlarmBesideTheExecutableAndStopsThere) {
  const std::wstring sound = L"sound " + AlarmSoundPathForTest();
  EXPECT_EQ(CallsFor(AlarmAction::PlaySound), std::vector<std::wstring>{sound});
  // A missing file is reported on every alarm, and no e-mail follows.
  platform.soundPlays = false;
  const std::vector<std::wstring> failed{sound, L"error alarm.wav: No such file or directory"};
  EXPECT_EQ(CallsFor(AlarmAction::PlaySound), failed);
  EXPECT_EQ(CallsFor(AlarmAction::PlaySound), failed);
}

}  // namespace
