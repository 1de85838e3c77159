#include "core/view/self_test_dialog.h"

#include <algorithm>

#include "core/capture/self_test_report.h"

namespace taruk {

namespace {

// The self-test texts are plain ASCII.
std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::wstring Capitalised(std::wstring text) {
  if (!text.empty() && text[0] >= L'a' && text[0] <= L'z') text[0] = static_cast<wchar_t>(text[0] - L'a' + L'A');
  return text;
}

}  // namespace

SelfTestButtons SelfTestButtonsFor(const SelfTestState& tests, bool busy) {
  SelfTestButtons buttons;
  if (busy || !tests.known) return buttons;
  if (tests.running) {
    buttons.abort = true;
    return buttons;
  }
  buttons.shortTest = tests.shortAndExtended;
  buttons.extended = tests.shortAndExtended;
  buttons.conveyance = tests.shortAndExtended && tests.conveyance;
  return buttons;
}

std::wstring SelfTestStatusLine(const DriveSlot& slot) {
  const SelfTestState& tests = slot.selfTest;
  if (!tests.known && !tests.logRead) return L"The drive said nothing about self-tests";
  if (tests.running) {
    std::wstring line = tests.runningKind ? Capitalised(Wide(SelfTestKindName(*tests.runningKind))) + L" self-test"
                                          : std::wstring(L"Self-test");
    const unsigned done = std::min<unsigned>(tests.percentDone, 100);
    return line + L" running: " + std::to_wstring(done) + L" % done, " + std::to_wstring(100 - done) + L" % to go";
  }
  std::wstring line =
      tests.known && !tests.shortAndExtended ? L"The drive runs no self-tests" : L"No self-test running";
  if (!tests.log.empty()) {
    const SelfTestEntry& last = tests.log.front();
    line += L". Last: " + Wide(SelfTestKindName(last.kind)) + L", " + Wide(SelfTestEntryStatusText(slot.bus, last)) +
            L" (hour " + std::to_wstring(last.powerOnHours);
    if (last.failingLba) line += L", LBA " + std::to_wstring(*last.failingLba);
    line += L")";
  }
  return line;
}

std::vector<SelfTestLogRow> SelfTestLogRows(const DriveSlot& slot) {
  std::vector<SelfTestLogRow> rows;
  const std::vector<SelfTestEntry>& log = slot.selfTest.log;
  rows.reserve(log.size());
  for (std::size_t i = 0; i < log.size(); ++i) {
    const SelfTestEntry& entry = log[i];
    rows.push_back({std::to_wstring(i + 1), Wide(SelfTestKindName(entry.kind)),
                    Wide(SelfTestEntryStatusText(slot.bus, entry)), std::to_wstring(entry.powerOnHours),
                    Wide(SelfTestFailureColumn(entry))});
  }
  return rows;
}

std::wstring SelfTestErrorCountLine(const SelfTestState& tests) {
  if (!tests.errorCount) return L"Error log: not read";
  if (*tests.errorCount == 0) return L"Error log: no errors";
  return L"Error log: " + std::to_wstring(*tests.errorCount) + (*tests.errorCount == 1 ? L" error" : L" errors");
}

std::wstring SelfTestReplyLine(SelfTestRequest request, const SelfTestReply& reply) {
  std::wstring what = request == SelfTestRequest::Abort
                          ? std::wstring(L"Abort")
                          : Capitalised(Wide(SelfTestRequestName(request))) + L" self-test";
  return what + L": " + Wide(reply.text);
}

int SelfTestPollSeconds(const SelfTestState& tests) {
  uint32_t minutes = tests.shortMinutes;
  if (tests.runningKind == SelfTestKind::Extended) minutes = tests.extendedMinutes;
  if (tests.runningKind == SelfTestKind::Conveyance) minutes = tests.conveyanceMinutes;
  // An ATA drive does not say which test runs: the short test's time is the
  // shortest it recommends.
  minutes = std::clamp<uint32_t>(minutes, 1, 24 * 60);
  return static_cast<int>(minutes) * 60;
}

}  // namespace taruk
