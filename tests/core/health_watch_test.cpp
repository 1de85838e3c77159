// The health alarm over a scripted drive whose counts rise tick by tick: one
// action per worsening, none while it holds steady, one at start for a drive
// already failing; and what that action says.
#include <gtest/gtest.h>

#include "core/alarm/alarm_texts.h"
#include "core/monitor/monitoring_cycle.h"
#include "support/pages.h"
#include "support/quiet_machine.h"
#include "support/recording_platform.h"
#include "support/scripted_device.h"

using namespace taruk;

namespace {

// What drive 0 reports at one step.
struct Step {
  uint8_t reallocated;       // raw count of attribute 5
  uint8_t reallocatedValue;  // its current value; the threshold is 36
  uint8_t pending;           // raw count of attribute 197
  std::wstring balloon;      // the one balloon expected, or none
};

void Script(ScriptedDevice& drive, const std::string& model, uint8_t reallocated, uint8_t value, uint8_t pending) {
  drive.pages["identify 0"] = IdentifyPage(model, "1.0", "S-" + model);
  drive.pages["read-data 0"] =
      AttributePage({{0, 5, value, value, {reallocated}}, {1, 194, 40, 40, {40}}, {2, 197, 100, 100, {pending}}});
  drive.pages["read-thresholds 0"] = ThresholdPage({{0, 5, 36}});
}

std::wstring Balloon(const std::wstring& text) { return L"balloon Taruk|HD0: FAILING health: " + text + L"|5000"; }

}  // namespace

TEST(HealthAlarm, OnceAtStartThenOncePerWorseningAndNeverWhileSteady) {
  ScriptedOpener drives;
  NoVolumes volumes;
  FixedClock clock;
  RecordingPlatform platform;
  MonitorView view;
  DriveSlots slots = DriveSlots(kDiskButtonCount);
  MonitorConfig config;  // the health action defaults to a balloon
  MonitorCore core(slots, config, {drives, volumes, clock, platform}, view);

  // Drive 1 stays good, drive 2 is in caution from the start and stays so.
  Script(drives.drives[1], "HEALTHY", 0, 100, 0);
  Script(drives.drives[2], "WORN", 0, 100, 1);

  const Step steps[] = {
      {0, 100, 2, Balloon(L"caution (2 pending sectors)")},  // at start
      {0, 100, 2, L""},
      {0, 100, 2, L""},
      {0, 100, 5, Balloon(L"caution (5 pending sectors)")},
      // Pending sectors rewritten, some of them reallocated: a new count.
      {4, 100, 1, Balloon(L"caution (4 reallocated sectors)")},
      // Back up, but not above the highest seen: nothing new.
      {4, 100, 3, L""},
      {4, 100, 0, L""},
      {4, 36, 0, Balloon(L"bad (Reallocated Sector Count (5) failing now: value 36, threshold 36)")},
      {4, 30, 0, L""},
  };
  for (size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE(testing::Message() << "step " << i);
    Script(drives.drives[0], "FAILING", steps[i].reallocated, steps[i].reallocatedValue, steps[i].pending);
    platform.calls.clear();
    if (i == 0) {
      // As the monitor starts: the drives once, then the health test alone.
      core.RefreshDrives();
      core.CheckDriveHealth();
    } else {
      core.RunMonitoringCycle();
    }
    std::vector<std::wstring> expected;
    if (!steps[i].balloon.empty()) expected.push_back(steps[i].balloon);
    if (i == 0) expected.push_back(L"balloon Taruk|HD2: WORN health: caution (1 pending sector)|5000");
    EXPECT_EQ(platform.calls, expected);
  }

  // The chosen action is carried out, whichever it is; None does nothing.
  config.healthAction = AlarmAction::Suspend;
  Script(drives.drives[1], "HEALTHY", 1, 100, 0);
  platform.calls.clear();
  core.RunMonitoringCycle();
  EXPECT_EQ(platform.calls, (std::vector<std::wstring>{L"privilege suspend", L"suspend"}));
  config.healthAction = AlarmAction::None;
  Script(drives.drives[1], "HEALTHY", 2, 100, 0);
  platform.calls.clear();
  core.RunMonitoringCycle();
  EXPECT_TRUE(platform.calls.empty());

  // Another drive in the same place is a new drive with a number of its own,
  // the lowest free one: its caution is news.
  config.healthAction = AlarmAction::ShowNotification;
  Script(drives.drives[2], "REPLACEMENT", 0, 100, 1);
  platform.calls.clear();
  core.RunMonitoringCycle();
  EXPECT_EQ(platform.calls,
            (std::vector<std::wstring>{L"balloon Taruk|HD3: REPLACEMENT health: caution (1 pending sector)|5000"}));
}

TEST(HealthAlarm, MailGivesTheVerdictAndEveryReason) {
  DriveSlot slot;
  slot.model = L"ST3160023A                              ";  // padded as stored
  DriveHealth health;
  health.verdict = HealthVerdict::Bad;
  health.reasons = {{L"Reallocated Sector Count (5) failing now: value 30, threshold 36", 0, HealthVerdict::Bad},
                    {L"3 pending sectors", 4, HealthVerdict::Caution}};
  const AlarmMessage message = HealthAlarmMessage(1, slot, health);
  EXPECT_EQ(message.balloonText,
            L"HD1: ST3160023A health: bad (Reallocated Sector Count (5) failing now: value 30, threshold 36)");
  EXPECT_EQ(message.subject, L"Taruk - drive health worsened");
  EXPECT_EQ(message.body,
            L"HD1: ST3160023A health: bad\r\n\r\n Reallocated Sector Count (5) failing now: value 30, threshold 36"
            L"\r\n 3 pending sectors");
}
