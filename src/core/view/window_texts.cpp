#include "core/view/window_texts.h"

#include "core/base/path_text.h"
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

std::wstring DriveWindowTitle(const std::wstring& caption, int driveIndex, const DriveSlot& slot) {
  std::wstring title = caption + L" - HD" + std::to_wstring(driveIndex) + L": " + ShownText(slot.model);
  const std::wstring serial = ShownText(slot.serialNumber);
  if (!serial.empty()) title += L", S/N " + serial;
  return title;
}

std::wstring DemoDrivesNotice(const std::wstring& reason) {
  return L"No drive could be read here: " + (reason.empty() ? std::wstring(L"no disk answered") : reason) +
         L". Showing demo drives; alarms are off.";
}

std::wstring SettingsNotSavedText(const SettingsLoad& load) {
  std::wstring text = L"Can't save configuration to a file!";
  if (load.found == SettingsLoad::Found::Part) {
    text += L"\n\nThe settings file was not read whole, so it is left as it is: " + PathBytesToWide(load.problem);
  }
  return text;
}

}  // namespace taruk
