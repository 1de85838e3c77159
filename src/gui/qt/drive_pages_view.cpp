// The drives beyond the four disk buttons: the page of drives the buttons
// show, and the page control below them whose list selects any drive
// (core/view/drive_pages.h decides which).
#include <QMenu>
#include <QPushButton>

#include "core/drive/drive_slot.h"
#include "core/view/disk_panel_text.h"
#include "core/view/drive_pages.h"
#include "gui/qt/monitor_dlg.h"
#include "gui/toolkit/dialog_builder.h"
#include "gui/toolkit/dialog_units.h"
#include "gui/toolkit/icon_button.h"

namespace taruk {

using namespace monitor_ids;

void CMonitorDlg::ShowDrivePageControl() {
  if (!HasDrivePages(monitor.Slots().size())) return;
  if (!drivePages) {
    // Below the button column, in a strip the window grows by.
    const DialogUnits units = DialogUnitsOf(*this);
    drivePages = new QPushButton(this);
    drivePages->setObjectName(QStringLiteral("drivePages"));
    drivePages->setGeometry(
        units.ToPixels(QRect(kDrivePagesRect[0], kDrivePagesRect[1], kDrivePagesRect[2], kDrivePagesRect[3])));
    connect(drivePages, &QPushButton::clicked, this, &CMonitorDlg::OpenDriveList);
    setFixedSize(width(), units.Y(kPagedWindowHeight));
    drivePages->show();
  }
  drivePages->setText(QString::fromStdWString(DrivePageText(drivePage, monitor.Slots().size())));
}

void CMonitorDlg::ShowDrivePage(int page) {
  drivePage = page;
  for (int n = 0; n < kDiskButtonCount; ++n) {
    CIconButton* button = diskButtons[n];
    if (!button) continue;
    if (!ShowsDiskButton(page, n, monitor.Slots())) {
      button->hide();
      continue;
    }
    const int drive = DriveOnButton(page, n, monitor.Slots().size());
    const DriveSlot& slot = monitor.Slots()[static_cast<size_t>(drive)];
    SetControlText(button, slot.IsPresent() ? QString::fromStdWString(DiskButtonCaption(drive, slot)) : QString());
    button->show();
    ShowDiskBadge(n);
  }
  ShowDrivePageControl();
}

void CMonitorDlg::SelectDrive(int driveIndex) {
  const int page = PageToSelect(monitor.Slots(), driveIndex);
  if (page < 0) return;
  if (page != drivePage) ShowDrivePage(page);
  ShowDriveInfo(driveIndex);
  if (CIconButton* button = diskButtons[ButtonOfDrive(driveIndex)]) button->setFocus(Qt::OtherFocusReason);
}

QMenu* CMonitorDlg::DriveList() {
  auto* list = new QMenu(this);
  list->setObjectName(QStringLiteral("driveList"));
  list->setAttribute(Qt::WA_DeleteOnClose);
  for (const DriveListEntry& entry : DriveListEntries(monitor.Slots(), selectedDrive)) {
    if (entry.startsPage) list->addSeparator();
    QAction* action = list->addAction(QString::fromStdWString(entry.text));
    action->setCheckable(true);
    action->setChecked(entry.selected);
    const int drive = entry.drive;
    connect(action, &QAction::triggered, this, [this, drive] { SelectDrive(drive); });
  }
  return list;
}

void CMonitorDlg::OpenDriveList() {
  if (!drivePages) return;
  DriveList()->popup(drivePages->mapToGlobal(QPoint(0, drivePages->height())));
}

}  // namespace taruk
