#pragma once
// How a drive's health looks wherever the windows show it, the same for the
// Qt and the Win32 windows: the badge colours, the notification-area icon's
// state and the panel's health line. Drawing is each toolkit's.

#include <optional>
#include <string>

#include "core/drive/drive_health.h"
#include "core/drive/drive_slot.h"

namespace taruk {

struct RgbColour {
  int red = 0;
  int green = 0;
  int blue = 0;
  friend bool operator==(const RgbColour&, const RgbColour&) = default;
};

// The badge on a disk button's or the notification-area icon's corner:
// amber for caution, red for bad; none for good and unknown (nothing is
// known to be wrong).
std::optional<RgbColour> HealthBadgeColour(HealthVerdict verdict);

// The badge's diameter on an icon `iconWidth` pixels wide: half the icon, so
// that it still reads on 16-pixel icons, and never under 8 pixels.
int HealthBadgeSize(int iconWidth);

// What the notification-area icon shows: the worst verdict among the present
// drives, bad before caution; good when none is in caution or bad (an unknown
// drive is not a warning).
HealthVerdict TrayIconVerdict(const DriveSlots& slots);

// Whether the icon asks for the user's attention (a StatusNotifierItem's
// NeedsAttention status): while a drive is in caution or bad.
bool TrayIconNeedsAttention(HealthVerdict trayVerdict);

// The panel's health line for one drive: "Health: caution (3 pending
// sectors)", the verdict and its first reason.
std::wstring PanelHealthText(const DriveSlot& slot);

}  // namespace taruk
