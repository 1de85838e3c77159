#pragma once
// The colours of a drive's health where the windows show it: the badge on a
// disk button's icon and the marks on the details list's rows. The marks and
// figures are drawn in the bold face of the window's own font, which the
// window has loaded already, not in another family.

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QImage>

#include "core/drive/drive_health.h"
#include "core/view/health_look.h"

namespace taruk {

// `icon` with a round badge in its lower right corner: amber with "!" for
// caution, red with "!" for bad. Good and unknown leave it as it is.
QImage BadgedIcon(const QImage& icon, HealthVerdict verdict);

// The notification-area icon for the worst drive's verdict: `plain` with
// the same badge drawn into each size a tray asks for (16, 22, 24, 32, 48
// and 64 pixels are listed), when it asks, so that no size is scaled from
// a badge drawn for another. Good and unknown give `plain` itself.
QIcon BadgedTrayIcon(const QIcon& plain, HealthVerdict verdict);

// The notification-area icon as `plan` says: the badged icon, or the
// temperature's figure in white on a rounded square of the health colour,
// drawn into each size a tray asks for (16 to 64 pixels are listed), when it
// asks, at its own pixel size rather than scaled from another.
QIcon PlannedTrayIcon(const QIcon& plain, const TrayIconPlan& plan, const QFont& windowFont);
QImage TemperatureIconImage(int size, const TrayIconPlan& plan, const QFont& windowFont);

}  // namespace taruk
