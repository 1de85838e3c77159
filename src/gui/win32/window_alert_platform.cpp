#include "gui/win32/window_alert_platform.h"

#include "gui/win32/message_box.h"
#include "gui/win32/monitor_dlg.h"

namespace taruk::win32 {

void WindowAlertPlatform::ShowBalloon(const std::wstring& title, const std::wstring& text, int timeoutMs) {
  if (window && window->ShowTrayBalloon(title, text, timeoutMs)) return;
  machine.ShowBalloon(title, text, timeoutMs);
}

void WindowAlertPlatform::ShowSystemError(const std::wstring& text) {
  ShowSystemErrorText(text, window ? window->Handle() : nullptr);
}

bool WindowAlertPlatform::EnableShutdownPrivilege(PowerAction action) {
  std::wstring refusal;
  if (machine.PowerAllowed(action, refusal)) return true;
  ShowSystemErrorText(refusal, nullptr);
  return false;
}

}  // namespace taruk::win32
