#include "gui/win32/window_alert_platform.h"

#include "gui/win32/message_box.h"
#include "gui/win32/monitor_dlg.h"

namespace taruk::win32 {

bool WindowAlertPlatform::ShowWindowBalloon(const std::wstring& title, const std::wstring& text, int timeoutMs) {
  return window && window->ShowTrayBalloon(title, text, timeoutMs);
}

bool WindowAlertPlatform::ShowWindowAlarmBalloon(const AlarmBalloon& balloon) {
  return window && window->ShowTrayBalloon(balloon.title, balloon.text, balloon.timeoutMs, balloon.warning);
}

void WindowAlertPlatform::ShowErrorBox(const std::wstring& text, bool ownedByWindow) {
  ShowSystemErrorText(text, ownedByWindow && window ? window->Handle() : nullptr);
}

}  // namespace taruk::win32
