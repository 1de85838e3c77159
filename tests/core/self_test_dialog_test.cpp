// The Self-test dialog's decisions: which buttons, the progress and last
// result line, the log rows, the error count and the polling time; and its
// session, which talks to the drive off the window's thread.
#include "core/view/self_test_dialog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/view/self_test_session.h"
#include "support/scripted_device.h"
#include "support/self_test_pages.h"

using namespace taruk;

namespace {

SelfTestState Offering(bool conveyance) {
  SelfTestState tests;
  tests.known = true;
  tests.shortAndExtended = true;
  tests.conveyance = conveyance;
  tests.shortMinutes = 2;
  tests.extendedMinutes = 54;
  tests.conveyanceMinutes = 5;
  return tests;
}

}  // namespace

TEST(SelfTestDialog, ButtonsStatusAndPolling) {
  SelfTestState running = Offering(true);
  running.running = true;
  running.percentDone = 40;
  SelfTestState runningExtended = running;
  runningExtended.runningKind = SelfTestKind::Extended;
  SelfTestState none;
  none.known = true;
  SelfTestState silent;
  SelfTestState slowNvme = Offering(false);
  slowNvme.running = true;
  slowNvme.runningKind = SelfTestKind::Short;
  slowNvme.shortMinutes = 0;  // NVMe names only the extended time
  struct Case {
    const char* name;
    SelfTestState tests;
    bool busy;
    SelfTestButtons buttons;
    const wchar_t* status;
    int pollSeconds;
  };
  const Case cases[] = {
      {"ATA idle, conveyance offered", Offering(true), false, {true, true, true, false}, L"No self-test running", 120},
      {"no conveyance", Offering(false), false, {true, true, false, false}, L"No self-test running", 120},
      {"a request on its way", Offering(true), true, {}, L"No self-test running", 120},
      {"ATA running: only abort; the kind unknown",
       running,
       false,
       {false, false, false, true},
       L"Self-test running: 40 % done, 60 % to go",
       120},
      {"extended running polls at its own time",
       runningExtended,
       false,
       {false, false, false, true},
       L"Extended self-test running: 40 % done, 60 % to go",
       54 * 60},
      {"short on NVMe: never under a minute",
       slowNvme,
       false,
       {false, false, false, true},
       L"Short self-test running: 40 % done, 60 % to go",
       60},
      {"no self-tests", none, false, {}, L"The drive runs no self-tests", 60},
      {"never said", silent, false, {}, L"The drive said nothing about self-tests", 60},
  };
  for (const Case& c : cases) {
    DriveSlot slot;
    slot.selfTest = c.tests;
    if (c.tests.runningKind == SelfTestKind::Short) slot.selfTest.percentDone = 40;
    EXPECT_EQ(SelfTestButtonsFor(c.tests, c.busy), c.buttons) << c.name;
    EXPECT_EQ(SelfTestStatusLine(slot), c.status) << c.name;
    EXPECT_EQ(SelfTestPollSeconds(c.tests), c.pollSeconds) << c.name;
  }
}

TEST(SelfTestDialog, FailedTestLogAndErrorCount) {
  DriveSlot slot;
  slot.bus = DriveBus::Ata;
  slot.selfTest = Offering(false);
  slot.selfTest.logRead = true;
  slot.selfTest.log = {{SelfTestKind::Extended, 7, SelfTestResult::Failed, 7326, 123456, {}, {}},
                       {SelfTestKind::Short, 0, SelfTestResult::Passed, 7300, {}, {}, {}}};
  EXPECT_EQ(SelfTestStatusLine(slot),
            L"No self-test running. Last: extended, Completed: read failure (hour 7326, LBA 123456)");
  const std::vector<SelfTestLogRow> rows = SelfTestLogRows(slot);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (SelfTestLogRow{L"1", L"extended", L"Completed: read failure", L"7326", L"123456"}));
  EXPECT_EQ(rows[1], (SelfTestLogRow{L"2", L"short", L"Completed without error", L"7300", L"-"}));

  const std::pair<std::optional<uint32_t>, const wchar_t*> counts[] = {{std::nullopt, L"Error log: not read"},
                                                                       {0, L"Error log: no errors"},
                                                                       {1, L"Error log: 1 error"},
                                                                       {65535, L"Error log: 65535 errors"}};
  for (const auto& [count, text] : counts) {
    slot.selfTest.errorCount = count;
    EXPECT_EQ(SelfTestErrorCountLine(slot.selfTest), text);
  }
  EXPECT_EQ(SelfTestReplyLine(SelfTestRequest::Abort, {SelfTestOutcome::Refused, "the drive refused to abort"}),
            L"Abort: the drive refused to abort");
}

// The session both dialogs keep: a request goes out on the job's thread,
// the answer brings the drive read afresh and the reply line, and a running
// test is asked about again.
TEST(SelfTestDialog, SessionAbortsThenReadsTheDriveAgain) {
  ScriptedOpener drives;
  ScriptedDevice& drive = drives.drives[0];
  Page data{};
  SetAtaSelfTestBytes(data, 0xF4, 0x19);  // a test running, 40 % to go
  drive.pages["read-data 0"] = data;
  drive.pages["identify 0"] = Page{};
  DriveSlot slot;
  slot.systemNumber = 0;
  DriveSlot gone = slot;
  gone.systemNumber = 7;

  EXPECT_FALSE(SelfTestSession(nullptr, slot).Ask(SelfTestRequest::Short)) << "no drives: nothing is sent";
  const std::optional<SelfTestSession::Step> unopened = SelfTestSession(&drives, gone).Ask(SelfTestRequest::Short);
  ASSERT_TRUE(unopened);
  EXPECT_FALSE(unopened->asking);
  EXPECT_EQ(unopened->replyLine, L"The drive could not be opened");

  SelfTestSession session(&drives, slot);
  const std::optional<SelfTestSession::Step> asked = session.Ask(SelfTestRequest::Abort);
  ASSERT_TRUE(asked);
  EXPECT_TRUE(asked->asking);
  EXPECT_EQ(asked->replyLine, L"Asking the drive...");
  std::optional<SelfTestSession::Step> answered;
  for (int i = 0; i < 500 && !answered; ++i) {
    answered = session.TakeAnswer();
    if (!answered) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(answered);
  EXPECT_FALSE(answered->asking);
  EXPECT_EQ(answered->replyLine, L"Abort: self-test aborted");
  EXPECT_FALSE(session.TakeAnswer()) << "taken once";
  EXPECT_TRUE(session.Shown().selfTest.running) << "the reading after the abort, from the same script";
  EXPECT_EQ(session.Shown().selfTest.percentDone, 60);
  EXPECT_EQ(session.PollSeconds(), 120) << "asked again at the drive's polling time for the short test";
  EXPECT_NE(std::find(drives.lastLog.begin(), drives.lastLog.end(), "execute-offline 0 0x7f"), drives.lastLog.end());
}
