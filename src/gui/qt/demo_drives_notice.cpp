// How the window tells that it shows the demo drives: made-up data must be
// seen as such at a glance, the more so as their alarms are off.
#include <QTimer>

#include "core/alarm/alarm_texts.h"
#include "core/alarm/alert_platform.h"
#include "core/view/window_texts.h"
#include "gui/qt/monitor_dlg.h"

namespace taruk {

void CMonitorDlg::AnnounceDemoDrives() {
  setWindowTitle(windowTitle() + QString::fromWCharArray(kDemoDrivesTitleSuffix));
  UpdateTrayToolTip();
  const std::wstring text = DemoDrivesNotice(demoDrivesReason.value_or(QString()).toStdWString());
  // Once the window runs: by then the alert platform knows the window whose
  // icon shows its balloons.
  QTimer::singleShot(
      0, this, [this, text] { monitor.Environment().platform.ShowBalloon(kBalloonTitle, text, kBalloonTimeoutMs); });
}

}  // namespace taruk
