#pragma once
// What the Self-test dialog shows for one drive, whatever toolkit draws it:
// which tests it offers, the line about the running or last test, the log
// as rows (newest first), the error count, the reply to the last request,
// and how long to wait before asking the drive again.

#include <array>
#include <string>
#include <vector>

#include "core/drive/drive_slot.h"
#include "core/drive/self_test_command.h"

namespace taruk {

// The dialog's buttons that may be pressed now.
struct SelfTestButtons {
  bool shortTest = false;
  bool extended = false;
  bool conveyance = false;
  bool abort = false;
  friend bool operator==(const SelfTestButtons&, const SelfTestButtons&) = default;
};

// Only the tests the drive offers, never over a running one, and nothing
// while a request is still on its way to the drive (`busy`).
SelfTestButtons SelfTestButtonsFor(const SelfTestState& tests, bool busy);

// "Extended self-test running: 40 % done, 60 % to go", "No self-test
// running. Last: Completed: read failure (hour 7326, LBA 123456)", "The drive
// runs no self-tests".
std::wstring SelfTestStatusLine(const DriveSlot& slot);

// #, Type, Status, Hour, Failing LBA.
using SelfTestLogRow = std::array<std::wstring, 5>;
constexpr std::array<const wchar_t*, 5> kSelfTestLogHeadings = {L"#", L"Type", L"Status", L"Hour", L"Failing LBA"};
constexpr std::array<int, 5> kSelfTestLogWidths = {30, 70, 260, 60, 110};  // pixels
std::vector<SelfTestLogRow> SelfTestLogRows(const DriveSlot& slot);

// "Error log: 3 errors", "Error log: none", "Error log: not read".
std::wstring SelfTestErrorCountLine(const SelfTestState& tests);

// The reply to a start or abort, for the line under the buttons.
std::wstring SelfTestReplyLine(SelfTestRequest request, const SelfTestReply& reply);

// Seconds until the drive is asked again how its running test does: the
// time the drive recommends polling for that test, and never under a
// minute. An NVMe drive, which names only the extended time, is asked each
// minute during a short test.
int SelfTestPollSeconds(const SelfTestState& tests);

}  // namespace taruk
