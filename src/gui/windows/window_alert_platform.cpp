#include "gui/windows/window_alert_platform.h"

#include "gui/windows/monitor_dlg.h"
#include "gui/toolkit/message_box.h"

namespace taruk {

bool WindowAlertPlatform::ShowWindowBalloon(const std::wstring& title, const std::wstring& text, int timeoutMs) {
  return window &&
         window->ShowTrayBalloon(QString::fromStdWString(title), QString::fromStdWString(text), timeoutMs);
}

void WindowAlertPlatform::ShowErrorBox(const std::wstring& text, bool ownedByWindow) {
  ShowSystemErrorText(QString::fromStdWString(text), ownedByWindow ? window : nullptr);
}

}  // namespace taruk
