// Each drive's health on the main window: a badge on its disk button's icon,
// and the worst one's on the notification-area icon.
#include "core/drive/drive_slot.h"
#include "core/drive/slot_health.h"
#include "core/view/drive_pages.h"
#include "gui/qt/health_badge.h"
#include "gui/qt/monitor_dlg.h"
#include "gui/toolkit/icon_button.h"
#include "gui/toolkit/resources.h"

namespace taruk {

using namespace monitor_ids;

namespace {

// The verdict a button's icon carries now, so that a tick that changes
// nothing leaves the icons (and a hover in progress) alone.
const char* const kBadgeProperty = "healthVerdict";

}  // namespace

void CMonitorDlg::ShowDriveHealth() {
  ShowDrivePageControl();
  for (int n = 0; n < kDiskButtonCount; ++n) ShowDiskBadge(n);
  UpdateTrayToolTip();
  UpdateTrayIconState();
}

void CMonitorDlg::ShowDiskBadge(int buttonIndex) {
  CIconButton* button = diskButtons[buttonIndex];
  const int drive = DriveOnButton(drivePage, buttonIndex, monitor.Slots().size());
  if (!button || drive < 0) return;
  const DriveSlot& slot = monitor.Slots()[static_cast<size_t>(drive)];
  if (!slot.IsPresent()) return;
  const HealthVerdict verdict = SlotHealth(slot).verdict;
  // The drive counts too: after a change of page the button shows another.
  const int badge = drive * 8 + static_cast<int>(verdict);
  const QVariant shown = button->property(kBadgeProperty);
  if (shown.isValid() && shown.toInt() == badge) return;
  button->setProperty(kBadgeProperty, badge);
  const QImage disk = ResourceIconImage(kDiskIcon, 32);
  // The badge keeps its colour on the grey icon too: it is what the user
  // should see without moving the pointer there.
  button->SetIcons(BadgedIcon(disk, verdict), NormalIcon{BadgedIcon(MakeGreyIcon(disk), verdict), false});
}

}  // namespace taruk
