#include "core/view/window_texts.h"

#include "core/monitor/health_watch.h"
#include "core/view/self_test_texts.h"

namespace taruk {

std::wstring TrayToolTipText(bool demoDrives, const DriveSlots& driveSlots) {
  if (demoDrives) return L"Taruk: demo drives, alarms off";
  std::wstring text = L"Taruk";
  for (const std::wstring& part : {WorstDriveHealthLine(driveSlots), RunningSelfTestLines(driveSlots)}) {
    if (!part.empty()) text += L"\n" + part;
  }
  return text;
}

std::wstring DemoDrivesNotice(const std::wstring& reason) {
  return L"No drive could be read here: " + (reason.empty() ? std::wstring(L"no disk answered") : reason) +
         L". Showing demo drives; alarms are off.";
}

}  // namespace taruk
