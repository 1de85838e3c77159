#pragma once
// The Qt main window's alarm actions: its tray balloons and message boxes.
// Where the desktop has no notification area, balloons go to the machine's
// platform (desktop notifications). The machine should send power requests
// even after a refused privilege step
// (DesktopAlertPlatform::sendRefusedPowerRequests), and log their failures.

#include "core/alarm/window_alert_actions.h"

namespace taruk {

class CMonitorDlg;

class WindowAlertPlatform : public WindowAlertActions {
 public:
  using WindowAlertActions::WindowAlertActions;

  // The window that owns the icon and the boxes; none before it exists.
  void SetWindow(CMonitorDlg* owner) { window = owner; }

  // One channel for each alarm, whichever way the icon reaches the
  // notification area: the desktop's notification daemon when one runs (it
  // keeps each drive's alarms apart), the icon's own balloon otherwise.
  bool ShowAlarmBalloon(const AlarmBalloon& balloon) override;

 protected:
  bool ShowWindowBalloon(const std::wstring& title, const std::wstring& text, int timeoutMs) override;
  void ShowErrorBox(const std::wstring& text, bool ownedByWindow) override;

 private:
  CMonitorDlg* window = nullptr;
};

}  // namespace taruk
