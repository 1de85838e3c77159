#pragma once
// How a drive's health looks wherever the windows show it, the same for the
// Qt and the Win32 windows: the badge colours, the notification-area icon's
// state and the panel's health line. Drawing is each toolkit's.

#include <optional>
#include <string>

#include "core/drive/drive_health.h"
#include "core/drive/drive_slot.h"
#include "core/settings/side_settings.h"
#include "core/view/window_palette.h"

namespace taruk {

// The badge on a disk button's or the notification-area icon's corner:
// amber for caution, red for bad; none for good and unknown (nothing is
// known to be wrong).
std::optional<RgbColour> HealthBadgeColour(HealthVerdict verdict);

// The background of a details row marked `weight` (smart_details_rows.h):
// pale red behind a failing attribute, pale amber behind a caution; none
// for a row nothing marks.
std::optional<RgbColour> HealthRowColour(HealthVerdict weight);

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

// What the notification-area icon carries, from [tray] icon in taruk.toml:
// "health" (the default) the worst drive's badge; "temperature" the hottest
// drive's temperature drawn into the icon, on the colour of the worst
// drive's health.
enum class TrayIconMode { Health, Temperature };
TrayIconMode ReadTrayIconMode(const SideSettings& side);
// The same from taruk.toml as it is now (a mode changed by hand applies at
// the next poll); a file that can't be read gives the health mode.
TrayIconMode LoadTrayIconMode();
// The Options dialog's OK: writes [tray] icon into taruk.toml only when the
// file says otherwise, so a dialog that changed nothing creates no file and
// keeps a hand-written value. The message the dialog shows, empty when done.
std::wstring StoreTrayIconMode(TrayIconMode mode);

// The icon as it is to be drawn. The windows keep the plan they drew last
// and draw again only when the new one differs: a number or a colour that
// changed, not every poll.
struct TrayIconPlan {
  HealthVerdict verdict = HealthVerdict::Good;  // the badge, in the health mode
  // In the temperature mode: the figure ("57"), empty when no present drive
  // has a reading (the badged icon is drawn then), and the colour it is
  // drawn on: the badge's amber or red, green while every drive is good.
  std::wstring temperature = {};
  RgbColour background = {};
  friend bool operator==(const TrayIconPlan&, const TrayIconPlan&) = default;
};
TrayIconPlan PlanTrayIcon(const DriveSlots& slots, TrayIconMode mode);

// The figure's pixel height on an icon `iconWidth` pixels wide, for one, two
// or three digits: as large as fits the width, so that 16-pixel icons read.
int TrayFigurePixelSize(int iconWidth, size_t digits);

// The panel's health line for one drive: "Health: caution (3 pending
// sectors)", the verdict and its first reason.
std::wstring PanelHealthText(const DriveSlot& slot);

}  // namespace taruk
