#include "gui/qt/monitor_app.h"

#include <QApplication>
#include <QEventLoop>

namespace taruk {

int RunMainWindow(CMonitorDlg& window) {
  // Not QDialog::exec(): hiding a dialog ends exec(), and this window hides
  // on Close while the program lives on in the notification area.
  QEventLoop loop;
  QObject::connect(&window, &QDialog::finished, &loop, &QEventLoop::exit);
  window.show();
  return loop.exec();
}

bool CMonitorApp::InitInstance() {
  // The window framework's own start-up has run: the QApplication exists.
  // A hidden window is not the last window closing.
  QApplication::setQuitOnLastWindowClosed(false);
  {
    CMonitorDlg window(monitor, demoDrivesReason);
    RunMainWindow(window);
  }
  return false;
}

}  // namespace taruk
