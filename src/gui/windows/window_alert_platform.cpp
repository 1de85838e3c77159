#include "gui/windows/window_alert_platform.h"

#include "gui/windows/monitor_dlg.h"
#include "gui/toolkit/message_box.h"

namespace taruk {

void WindowAlertPlatform::ShowBalloon(const std::wstring& title, const std::wstring& text, int timeoutMs) {
  if (window &&
      window->ShowTrayBalloon(QString::fromStdWString(title), QString::fromStdWString(text), timeoutMs)) {
    return;
  }
  machine.ShowBalloon(title, text, timeoutMs);
}

void WindowAlertPlatform::ShowSystemError(const std::wstring& text) {
  ShowSystemErrorText(QString::fromStdWString(text), window);
}

bool WindowAlertPlatform::EnableShutdownPrivilege(PowerAction action) {
  std::wstring refusal;
  if (machine.PowerAllowed(action, refusal)) return true;
  ShowSystemErrorText(QString::fromStdWString(refusal), nullptr);
  return false;
}

}  // namespace taruk
