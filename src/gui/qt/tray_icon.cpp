// The notification-area icon of the main window: adding and removing it, its
// clicks, its menu, the way back to a hidden window, and its balloons.
#include <QCoreApplication>
#include <QFileInfo>
#include <QMenu>

#include "core/drive/drive_slot.h"
#include "core/view/health_look.h"
#include "core/view/window_texts.h"
#include "gui/qt/health_badge.h"
#include "gui/qt/monitor_dlg.h"
#include "gui/qt/status_notifier_item.h"
#include "gui/toolkit/menu_resource.h"
#include "gui/toolkit/message_box.h"
#include "gui/toolkit/resources.h"

namespace taruk {

using namespace monitor_ids;

void CMonitorDlg::UpdateTrayToolTip() {
  const QString text = QString::fromStdWString(TrayToolTipText(ShowsDemoDrives(), monitor.Slots()));
  if (trayIcon) trayIcon->setToolTip(text);
  if (statusItem) statusItem->SetToolTip(text);
}

bool CMonitorDlg::HasTrayIcon() const {
  return statusItem || (trayIcon && trayIcon->isVisible() && QSystemTrayIcon::isSystemTrayAvailable());
}

bool CMonitorDlg::AddStatusNotifierItem() {
  if (!StatusNotifierItem::HostRegistered()) return false;
  auto* item = new StatusNotifierItem(TrayPopup(), this);
  if (!item->Register()) {
    delete item;
    return false;
  }
  statusItem = item;
  connect(statusItem, &StatusNotifierItem::activated, this, &CMonitorDlg::ShowApplication);
  UpdateTrayToolTip();
  UpdateTrayIconState();
  return true;
}

void CMonitorDlg::UpdateTrayIconState() {
  if (!trayIcon && !statusItem) return;
  const TrayIconPlan plan = PlanTrayIcon(monitor.Slots(), ReadTrayIconMode(monitor.CurrentSideSettings()));
  if (trayPlan == plan) return;
  trayPlan = plan;
  const QIcon icon = PlannedTrayIcon(ResourceIcon(kTrayIcon), plan, font());
  if (trayIcon) trayIcon->setIcon(icon);
  if (statusItem) {
    statusItem->SetIcon(icon);
    statusItem->SetNeedsAttention(TrayIconNeedsAttention(plan.verdict));
  }
}

QMenu* CMonitorDlg::TrayPopup() const { return trayMenu ? SubMenu(*trayMenu, 0) : nullptr; }

void CMonitorDlg::SetTrayIcon(bool add) {
  const QIcon icon = ResourceIcon(kTrayIcon);
  if (icon.isNull()) {
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    ShowMessageBox(this, program, QStringLiteral("Can't load icon"), QMessageBox::NoIcon);
    return;
  }
  // Where a tray host shows StatusNotifierItems, the icon is one: its status
  // can ask for attention, which Qt's own item cannot.
  if (statusItem) {
    if (!add) {
      delete statusItem;
      statusItem = nullptr;
    }
    return;
  }
  if (add && !trayIcon && AddStatusNotifierItem()) return;
  if (!trayIcon) {
    trayIcon = new QSystemTrayIcon(icon, this);
    trayIcon->setObjectName(QStringLiteral("trayIcon"));
    trayIcon->setToolTip(QString::fromStdWString(TrayToolTipText(ShowsDemoDrives(), monitor.Slots())));
    if (QMenu* popup = TrayPopup()) trayIcon->setContextMenu(popup);
    connect(trayIcon, &QSystemTrayIcon::activated, this, &CMonitorDlg::OnTrayNotify);
    UpdateTrayIconState();
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

bool CMonitorDlg::ShowTrayBalloon(const QString& title, const QString& text, int timeoutMs, bool warning) {
  // An item has no balloons: the desktop's notifications stand in.
  if (statusItem || !trayIcon || !trayIcon->isVisible() || !QSystemTrayIcon::isSystemTrayAvailable()) return false;
  trayIcon->showMessage(title, text, warning ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information, timeoutMs);
  return true;
}

}  // namespace taruk
