#include "core/view/self_test_texts.h"

namespace taruk {

std::wstring RunningSelfTestLines(const DriveSlots& slots) {
  std::wstring lines;
  for (std::size_t n = 0; n < slots.size(); ++n) {
    const DriveSlot& slot = slots[n];
    if (!slot.IsPresent() || !slot.selfTest.running) continue;
    if (!lines.empty()) lines += L"\n";
    lines += L"HD" + std::to_wstring(n) + L": self-test " + std::to_wstring(slot.selfTest.percentDone) + L" %";
  }
  return lines;
}

}  // namespace taruk
