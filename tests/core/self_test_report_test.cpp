// The self-test lines of `taruk --report` and its JSON members.
#include "core/capture/self_test_report.h"

#include <gtest/gtest.h>

#include "core/view/window_texts.h"

using namespace taruk;

TEST(SelfTestReport, TextAndJson) {
  DriveSlot slot;
  SelfTestState& tests = slot.selfTest;
  tests.known = true;
  tests.shortAndExtended = true;
  tests.shortMinutes = 2;
  tests.extendedMinutes = 54;
  tests.running = true;
  tests.percentDone = 40;
  tests.logRead = true;
  SelfTestEntry failed;
  failed.kind = SelfTestKind::Extended;
  failed.code = 7;
  failed.result = SelfTestResult::Failed;
  failed.powerOnHours = 7326;
  failed.failingLba = 123456;
  SelfTestEntry passed;
  passed.powerOnHours = 4660;
  tests.log = {failed, passed};
  tests.errorCount = 3;
  EXPECT_EQ(SelfTestReportText(slot),
            "Self-tests: short and extended (short 2 min, extended 54 min)\n"
            "Now: self-test running, 40 % done\n"
            "Self-test log (newest first):\n"
            "  #  Type        Status                                        Hour  Failing LBA\n"
            "  1  extended    Completed: read failure                       7326  123456\n"
            "  2  short       Completed without error                       4660  -\n"
            "Error log: 3 errors\n");
  EXPECT_EQ(SelfTestReportJson(slot),
            ",\"selfTests\":{\"supported\":true,\"conveyance\":false,\"shortMinutes\":2,\"extendedMinutes\":54,"
            "\"conveyanceMinutes\":0,\"running\":true,\"runningType\":null,\"percentDone\":40,\"log\":["
            "{\"type\":\"extended\",\"result\":\"failed\",\"status\":7,\"statusText\":\"Completed: read failure\","
            "\"powerOnHours\":7326,\"failingLba\":123456},"
            "{\"type\":\"short\",\"result\":\"passed\",\"status\":0,\"statusText\":\"Completed without error\","
            "\"powerOnHours\":4660,\"failingLba\":null}]},\"errorCount\":3");

  // An NVMe drive without self-tests, as QEMU's: said plainly, no log.
  DriveSlot nvme;
  nvme.bus = DriveBus::Nvme;
  nvme.selfTest.known = true;
  nvme.selfTest.errorCount = 0;
  EXPECT_EQ(SelfTestReportText(nvme), "Self-tests: not supported by the drive\nError log: 0 errors\n");
  EXPECT_EQ(SelfTestReportJson(DriveSlot{}), ",\"selfTests\":null,\"errorCount\":null");
  nvme.selfTest.errorCount = 1;
  EXPECT_EQ(SelfTestReportText(nvme), "Self-tests: not supported by the drive\nError log: 1 error\n");
}

TEST(SelfTestReport, TrayToolTipSaysWhichTestRunsAndHowFar) {
  DriveSlots slots(kDiskButtonCount);
  for (int n : {1, 3}) {
    slots[n].capacityGb = 80;
    slots[n].attributes[0] = {1, 100, 100, 50, {}};
    slots[n].selfTest.running = true;
    slots[n].selfTest.percentDone = n == 1 ? 40 : 0;
  }
  slots[2] = slots[1];
  slots[2].capacityGb = 0;  // not present: says nothing
  EXPECT_EQ(TrayToolTipText(false, slots), L"Taruk\nHD1: self-test 40 %\nHD3: self-test 0 %");
  slots[3].selfTest.running = false;
  slots[3].attributes[1] = {197, 100, 100, 0, {2}};
  EXPECT_EQ(TrayToolTipText(false, slots), L"Taruk\nHD3:  health: caution (2 pending sectors)\nHD1: self-test 40 %");
  EXPECT_EQ(TrayToolTipText(true, slots), L"Taruk: demo drives, alarms off");
}
