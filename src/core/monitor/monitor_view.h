#pragma once

namespace taruk {

// What the monitoring cycle shows: the disk buttons and the disk panel. The
// main window implements it; the headless monitor uses the one that does
// nothing.

class MonitorView {
 public:
  virtual ~MonitorView() = default;
  // Show disk button n and set its caption from the present slot n.
  virtual void ShowDiskButton(int /*driveIndex*/) {}
  // ShowDriveInfo for the selected drive (a no-op when that slot is absent).
  virtual void ShowSelectedDriveInfo() {}
  // After the buttons: each present drive's health where the user looks (the
  // buttons' badges, the tray icon's tooltip).
  virtual void ShowDriveHealth() {}
};

}  // namespace taruk
