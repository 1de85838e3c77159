#pragma once
// The Win32 main window's alarm actions: balloons from its notification-area
// icon (Shell_NotifyIconW) and MessageBoxW error boxes.

#include "core/alarm/window_alert_actions.h"

namespace taruk::win32 {

class CMonitorDlg;

class WindowAlertPlatform : public WindowAlertActions {
 public:
  using WindowAlertActions::WindowAlertActions;

  // The window that owns the icon and the boxes; none before it exists.
  void SetWindow(CMonitorDlg* owner) { window = owner; }

 protected:
  bool ShowWindowBalloon(const std::wstring& title, const std::wstring& text, int timeoutMs) override;
  bool ShowWindowAlarmBalloon(const AlarmBalloon& balloon) override;
  void ShowErrorBox(const std::wstring& text, bool ownedByWindow) override;

 private:
  CMonitorDlg* window = nullptr;
};

}  // namespace taruk::win32
