// The notification-area icon of the main window: adding and removing it, its
// clicks, its menu, the way back to a hidden window, and its balloons.
#include <QCoreApplication>
#include <QFileInfo>
#include <QMenu>

#include "core/view/window_texts.h"
#include "gui/windows/monitor_dlg.h"
#include "core/drive/drive_slot.h"
#include "gui/toolkit/menu_resource.h"
#include "gui/toolkit/message_box.h"
#include "gui/toolkit/resources.h"

namespace taruk {

using namespace monitor_ids;

void CMonitorDlg::UpdateTrayToolTip() {
  if (trayIcon) trayIcon->setToolTip(QString::fromStdWString(TrayToolTipText(ShowsDemoDrives(), monitor.driveSlots)));
}

QMenu* CMonitorDlg::TrayPopup() const { return trayMenu ? SubMenu(*trayMenu, 0) : nullptr; }

void CMonitorDlg::SetTrayIcon(bool add) {
  const QIcon icon = ResourceIcon(kTrayIcon);
  if (icon.isNull()) {
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    ShowMessageBox(this, program, QStringLiteral("Can't load icon"), QMessageBox::NoIcon);
    return;
  }
  if (!trayIcon) {
    trayIcon = new QSystemTrayIcon(icon, this);
    trayIcon->setObjectName(QStringLiteral("trayIcon"));
    trayIcon->setToolTip(QString::fromStdWString(TrayToolTipText(ShowsDemoDrives(), monitor.driveSlots)));
    if (QMenu* popup = TrayPopup()) trayIcon->setContextMenu(popup);
    connect(trayIcon, &QSystemTrayIcon::activated, this, &CMonitorDlg::OnTrayNotify);
  }
  if (add) {
    trayIcon->show();
  } else {
    trayIcon->hide();
  }
}

void CMonitorDlg::OnTrayNotify(QSystemTrayIcon::ActivationReason reason) {
  // A left click brings the window back. The right button opens the menu,
  // which the icon does by itself; a double click adds nothing to the click
  // that began it.
  if (reason == QSystemTrayIcon::Trigger) ShowApplication();
}

void CMonitorDlg::ShowApplication() {
  if (isMinimized()) {
    showNormal();
  } else {
    show();
  }
  raise();
  activateWindow();
}

bool CMonitorDlg::ShowTrayBalloon(const QString& title, const QString& text, int timeoutMs) {
  if (!trayIcon || !trayIcon->isVisible() || !QSystemTrayIcon::isSystemTrayAvailable()) return false;
  trayIcon->showMessage(title, text, QSystemTrayIcon::Information, timeoutMs);
  return true;
}

}  // namespace taruk
