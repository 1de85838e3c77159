#include "core/view/self_test_texts.h"

namespace taruk {

std::wstring RunningSelfTestLines(const DriveSlots& slots) {
  std::wstring lines;
  for (int n = 0; n < kDriveCount; ++n) {
    const DriveSlot& slot = slots[static_cast<std::size_t>(n)];
    if (!slot.IsPresent() || !slot.selfTest.running) continue;
    if (!lines.empty()) lines += L"\n";
    lines += L"HD" + std::to_wstring(n) + L": self-test " + std::to_wstring(slot.selfTest.percentDone) + L" %";
  }
  return lines;
}

}  // namespace taruk
