#pragma once
// The main window's start, in one order for the Qt and the Win32 window:
// the monitor's own start (core/monitor/monitor.h) with the window's steps
// at its points. Each window carries out the steps its own way.

#include "core/monitor/monitor.h"

namespace taruk {

class MonitorWindowSteps {
 public:
  virtual ~MonitorWindowSteps() = default;
  // The buttons' icons and colours; the focus on disk button 0.
  virtual void SetButtonLooks() = 0;
  // The bold font of the panel labels and the temperature.
  virtual void CreateInfoFont() = 0;
  // The light-blue background placed behind the panel (gui/monitor_looks.h).
  virtual void ShowInformationArea() = 0;
  // Drive 0 selected, before any drive is read.
  virtual void SelectFirstDrive() = 0;
  virtual void ShowDriveInfo(int driveIndex) = 0;
  // The notification-area menu; its first item is the default.
  virtual void LoadTrayMenu() = 0;
  virtual void SetTrayIcon(bool add) = 0;
  // The title, the tooltip and a balloon say the drives are made up.
  virtual void AnnounceDemoDrives() = 0;
  // The monitoring timer, armed once for the whole run.
  virtual void StartMonitorTimer(int periodMs) = 0;
};

// 4. to 13. of the window's initialisation; the window has its controls and
// its icon by then.
inline void StartMonitorWindow(Monitor& monitor, MonitorWindowSteps& window) {
  MonitorStartSteps steps;
  // 4. The settings: defaults, then the file over them; 5. to 8. the looks
  // that follow, then every slot cleared.
  steps.settingsLoaded = [&window] {
    window.SetButtonLooks();
    window.CreateInfoFont();
    window.ShowInformationArea();
    window.SelectFirstDrive();
  };
  // 9. The drives once, and drive 0's panel; 10. and 11. the notification
  // area's menu and icon.
  steps.drivesRead = [&monitor, &window] {
    window.ShowDriveInfo(0);
    window.LoadTrayMenu();
    window.SetTrayIcon(true);
    if (monitor.Environment().demoDrives) window.AnnounceDemoDrives();
  };
  // 12. A drive already failing says so now; the balloon needs the icon of
  // step 11. 13. The timer.
  steps.startTimer = [&window](int periodMs) { window.StartMonitorTimer(periodMs); };
  monitor.Start(steps);
}

}  // namespace taruk
