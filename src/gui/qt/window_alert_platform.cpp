#include "gui/qt/window_alert_platform.h"

#include "gui/qt/monitor_dlg.h"
#include "gui/toolkit/message_box.h"

namespace taruk {

bool WindowAlertPlatform::ShowWindowBalloon(const std::wstring& title, const std::wstring& text, int timeoutMs) {
  return window && window->ShowTrayBalloon(QString::fromStdWString(title), QString::fromStdWString(text), timeoutMs);
}

bool WindowAlertPlatform::ShowAlarmBalloon(const AlarmBalloon& balloon) {
  if (Machine().ShowAlarmBalloon(balloon)) return true;
  return window && window->ShowTrayBalloon(QString::fromStdWString(balloon.title),
                                           QString::fromStdWString(balloon.text), balloon.timeoutMs, balloon.warning);
}

void WindowAlertPlatform::ShowErrorBox(const std::wstring& text, bool ownedByWindow) {
  ShowSystemErrorText(QString::fromStdWString(text), ownedByWindow ? window : nullptr);
}

}  // namespace taruk
