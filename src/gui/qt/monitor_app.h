#pragma once
// CMonitorApp: the application object. It runs the main window until Exit
// ends it, and then the process ends.

#include "gui/qt/monitor_dlg.h"

namespace taruk {

class CMonitorApp {
 public:
  // Runs the window over `monitor`; `demoDrivesReason` as CMonitorDlg takes it.
  explicit CMonitorApp(Monitor& monitor, std::optional<QString> demoDrivesReason = std::nullopt)
      : monitor(monitor), demoDrivesReason(std::move(demoDrivesReason)) {}

  // Builds the main window, runs it until Exit and destroys it. Returns
  // false: there is nothing to run after the window.
  bool InitInstance();

 private:
  Monitor& monitor;
  std::optional<QString> demoDrivesReason;
};

// The main window's modal run: shown, then the events of the whole program
// until the window ends. Closing hides the window without ending the run.
int RunMainWindow(CMonitorDlg& window);

}  // namespace taruk
