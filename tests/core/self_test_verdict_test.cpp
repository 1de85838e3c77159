// What self-tests and the error log do to the verdict and the health alarm:
// the rule on hand-made logs, then whole passes over replayed captures that
// carry the logs, pass after pass as the monitor sees them.
#include <gtest/gtest.h>

#include "core/capture/capture_device.h"
#include "core/capture/drive_capture.h"
#include "core/drive/read_drive_info.h"
#include "core/drive/slot_health.h"
#include "core/monitor/health_watch.h"
#include "support/pages.h"
#include "support/self_test_pages.h"

using namespace taruk;

namespace {

SelfTestEntry Entry(SelfTestKind kind, SelfTestResult result, uint64_t hours, std::optional<uint64_t> lba = {}) {
  SelfTestEntry entry;
  entry.kind = kind;
  entry.result = result;
  entry.code = result == SelfTestResult::Failed ? 7 : result == SelfTestResult::Aborted ? 1 : 0;
  entry.powerOnHours = hours;
  entry.failingLba = lba;
  return entry;
}

DriveSlot HealthyAtaSlot() {
  DriveSlot slot;
  slot.attributes[0] = {1, 100, 100, 50, {}};
  return slot;
}

std::wstring Reasons(const DriveHealth& health) {
  std::wstring all;
  for (const HealthReason& reason : health.reasons) all += (all.empty() ? L"" : L" | ") + reason.text;
  return all;
}

constexpr auto kShort = SelfTestKind::Short;
constexpr auto kExtended = SelfTestKind::Extended;
constexpr auto kPassed = SelfTestResult::Passed;
constexpr auto kFailed = SelfTestResult::Failed;
constexpr auto kAborted = SelfTestResult::Aborted;

}  // namespace

TEST(SelfTestVerdict, StandingFailureRule) {
  struct Case {
    const char* name;
    std::vector<SelfTestEntry> log;  // newest first
    HealthVerdict verdict;
    std::wstring reasons;
  };
  const Case cases[] = {
      {"newest failed, with its LBA",
       {Entry(kExtended, kFailed, 7326, 123456), Entry(kShort, kPassed, 7000)},
       HealthVerdict::Bad,
       L"Extended self-test failed at LBA 123456 (hour 7326)"},
      {"failure outdated by a later extended test that passed",
       {Entry(kExtended, kPassed, 7400), Entry(kExtended, kFailed, 7326, 123456)},
       HealthVerdict::Good,
       L""},
      {"a later short test reads too little to outdate it",
       {Entry(kShort, kPassed, 7400), Entry(kExtended, kFailed, 7326, 123456)},
       HealthVerdict::Bad,
       L"Extended self-test failed at LBA 123456 (hour 7326)"},
      {"an aborted test over a failure says nothing",
       {Entry(kExtended, kAborted, 7400), Entry(kShort, kFailed, 7300)},
       HealthVerdict::Bad,
       L"Short self-test failed (hour 7300)"},
      {"aborted and interrupted tests alone say nothing",
       {Entry(kExtended, kAborted, 7400), Entry(kShort, kAborted, 1)},
       HealthVerdict::Good,
       L""},
      {"the newest of two failures is named",
       {Entry(kShort, kFailed, 9), Entry(kExtended, kFailed, 5, 1)},
       HealthVerdict::Bad,
       L"Short self-test failed (hour 9)"},
      {"an empty log", {}, HealthVerdict::Good, L""},
  };
  for (const Case& c : cases) {
    DriveSlot slot = HealthyAtaSlot();
    slot.selfTest.logRead = true;
    slot.selfTest.log = c.log;
    const DriveHealth health = SlotHealth(slot);
    EXPECT_EQ(health.verdict, c.verdict) << c.name;
    EXPECT_EQ(Reasons(health), c.reasons) << c.name;
  }
}

TEST(SelfTestVerdict, OrderOfReasonsAndOtherSources) {
  // Bad after the attributes failing now, before the counts; the error
  // count with the counts.
  DriveSlot slot = HealthyAtaSlot();
  slot.attributes[1] = {5, 100, 100, 36, {3}};
  slot.attributes[2] = {2, 20, 20, 50, {}};
  slot.selfTest.logRead = true;
  slot.selfTest.log = {Entry(kShort, kFailed, 12)};
  slot.selfTest.errorCount = 1;
  DriveHealth health = SlotHealth(slot);
  EXPECT_EQ(health.verdict, HealthVerdict::Bad);
  EXPECT_EQ(Reasons(health),
            L"Throughput Performance (2) failing now: value 20, threshold 50 | Short self-test failed (hour 12) | "
            L"3 reallocated sectors | 1 error in the drive's error log");
  EXPECT_EQ(health.counts[kErrorLogCount], 1u);
  EXPECT_EQ(health.counts[kSelfTestFailureHour], 13u);

  // No log: the SMART data's status of the last test.
  DriveSlot noLog = HealthyAtaSlot();
  noLog.selfTest.executionStatus = 7;
  EXPECT_EQ(Reasons(SlotHealth(noLog)), L"Last self-test failed: Completed: read failure");
  noLog.selfTest.executionStatus = 1;
  EXPECT_EQ(SlotHealth(noLog).verdict, HealthVerdict::Good);

  // An NVMe drive's error count is shown, not weighed; its failed test is.
  DriveSlot nvme;
  nvme.bus = DriveBus::Nvme;
  nvme.nvmeLog = NvmeHealthLog{};
  nvme.selfTest.errorCount = 40;
  EXPECT_EQ(SlotHealth(nvme).verdict, HealthVerdict::Good);
  nvme.selfTest.logRead = true;
  nvme.selfTest.log = {Entry(kExtended, kFailed, 3)};
  EXPECT_EQ(Reasons(SlotHealth(nvme)), L"Extended self-test failed (hour 3)");

  // A drive whose attributes could not be read stays unknown.
  DriveSlot unread;
  unread.selfTest = slot.selfTest;
  EXPECT_EQ(SlotHealth(unread).verdict, HealthVerdict::Unknown);
}

TEST(SelfTestVerdict, AlarmOverReplayedPasses) {
  // One drive replayed pass after pass with changing logs, as the monitor's
  // ticks see a drive: the alarm speaks once per worsening.
  Page identify = IdentifyPage("REPLAYED DISK", "1.0", "S1");
  Page data = AttributePage({{0, 1, 100, 100, {}}, {1, 9, 100, 100, {0x9E, 0x1C}}});
  SetAtaSelfTestBytes(data, 0x00, 0x19);
  struct Pass {
    const char* name;
    std::vector<AtaLogDescriptor> tests;
    uint8_t index;
    uint16_t errors;
    HealthVerdict verdict;
    bool alarm;
  };
  const Pass passes[] = {
      {"clean", {{0, 1, 0x00, 7300}}, 1, 0, HealthVerdict::Good, false},
      {"an error counted", {{0, 1, 0x00, 7300}}, 1, 1, HealthVerdict::Caution, true},
      {"the same count again", {{0, 1, 0x00, 7300}}, 1, 1, HealthVerdict::Caution, false},
      {"the count rises", {{0, 1, 0x00, 7300}}, 1, 2, HealthVerdict::Caution, true},
      {"an extended test fails", {{0, 1, 0x00, 7300}, {1, 2, 0x74, 7326, 123456}}, 2, 2, HealthVerdict::Bad, true},
      {"nothing new", {{0, 1, 0x00, 7300}, {1, 2, 0x74, 7326, 123456}}, 2, 2, HealthVerdict::Bad, false},
      {"an aborted test changes nothing",
       {{0, 1, 0x00, 7300}, {1, 2, 0x74, 7326, 123456}, {2, 2, 0x10, 7330}},
       3,
       2,
       HealthVerdict::Bad,
       false},
      {"a newer failure speaks again",
       {{0, 1, 0x00, 7300}, {1, 2, 0x74, 7326, 123456}, {2, 2, 0x10, 7330}, {3, 1, 0x50, 7340}},
       4,
       2,
       HealthVerdict::Bad,
       true},
      {"a passed extended test outdates them",
       {{0, 1, 0x00, 7300}, {1, 2, 0x74, 7326, 123456}, {2, 2, 0x10, 7330}, {3, 1, 0x50, 7340}, {4, 2, 0x00, 7350}},
       5,
       2,
       HealthVerdict::Caution,
       false},
  };
  HealthSeen seen;
  DriveSlot slot;
  for (const Pass& pass : passes) {
    DriveCapture capture;
    capture.deviceMap = 0x01;
    capture.geometry = DriveGeometry{100, 255, 63, 512};
    capture.enable[0] = true;
    capture.identify[0] = identify;
    capture.smartData[0] = data;
    capture.smartLogs[0][0x06] = AtaSelfTestLogPage(pass.tests, pass.index);
    capture.smartLogs[0][0x01] = AtaErrorLogPage(pass.errors);
    // Through the capture text, as --replay reads it.
    DriveCapture replayed;
    std::string error;
    ASSERT_TRUE(ParseCapture(FormatCapture(capture), "drive0.capture", replayed, error)) << error;
    ASSERT_EQ(replayed, capture) << pass.name;
    CaptureDevice device(replayed);
    ReadDrive(device, SleepingDrive::Wake, slot);
    const DriveHealth health = SlotHealth(slot);
    EXPECT_EQ(health.verdict, pass.verdict) << pass.name << ": " << testing::PrintToString(Reasons(health));
    EXPECT_EQ(HealthWorsened(health, slot.serialNumber, seen), pass.alarm) << pass.name;
  }
  EXPECT_EQ(slot.selfTest.errorCount, 2u);
  EXPECT_EQ(slot.selfTest.log.size(), 5u);
}

TEST(SelfTestVerdict, ABadLogKeepsTheLastGoodOne) {
  Page data = AttributePage({{0, 1, 100, 100, {}}});
  SetAtaSelfTestBytes(data, 0x00, 0x19);
  DriveCapture capture;
  capture.deviceMap = 0x01;
  capture.geometry = DriveGeometry{100, 255, 63, 512};
  capture.enable[0] = true;
  capture.smartData[0] = data;
  capture.smartLogs[0][0x06] = AtaSelfTestLogPage({{0, 2, 0x74, 9, 5}}, 1);
  DriveSlot slot;
  CaptureDevice first(capture);
  ReadDrive(first, SleepingDrive::Wake, slot);
  ASSERT_EQ(slot.selfTest.log.size(), 1u);
  capture.smartLogs[0][0x06] = AtaSelfTestLogPage({}, 0, true);
  CaptureDevice second(capture);
  ReadDrive(second, SleepingDrive::Wake, slot);
  EXPECT_EQ(slot.selfTest.log.size(), 1u);
  EXPECT_EQ(SlotHealth(slot).verdict, HealthVerdict::Bad);
}

TEST(SelfTestVerdict, AnNvmeDriveSeenOnlyThroughSysfsSaysNothingOfSelfTests) {
  DriveCapture capture;
  capture.nvme = true;
  capture.geometry = DriveGeometry{100, 255, 63, 512};
  capture.nvmeIdentify = NvmeIdentifyWithSelfTest(0x0010, 30);
  capture.nvmeSelfTestLog = NvmeSelfTestLogPage(0, 0, {{0x10, 0, 9}});
  DriveSlot sysfsOnly;
  CaptureDevice withoutLog(capture);
  ReadDrive(withoutLog, SleepingDrive::Wake, sysfsOnly);
  EXPECT_FALSE(sysfsOnly.selfTest.known);
  EXPECT_FALSE(sysfsOnly.selfTest.logRead);
  capture.nvmeHealthLog = Page{};
  DriveSlot read;
  CaptureDevice withLog(capture);
  ReadDrive(withLog, SleepingDrive::Wake, read);
  EXPECT_TRUE(read.selfTest.shortAndExtended);
  EXPECT_EQ(read.selfTest.log.size(), 1u);
  EXPECT_EQ(read.selfTest.errorCount, 0u);
}
