#pragma once
// A drive's health badge in GDI: on a disk button's icon as it is painted,
// and baked into the notification-area icon.

#include <windows.h>

#include "core/drive/drive_health.h"
#include "core/view/health_look.h"

namespace taruk::win32 {

// The round badge in the lower right corner of the icon at `icon`'s top
// left, `width` by `height` pixels: amber with "!" for caution, red for bad;
// nothing for good and unknown.
void PaintHealthBadge(HDC dc, const RECT& icon, int width, int height, HealthVerdict verdict);

// A new icon of `size` pixels: `plain` with the badge of `verdict` drawn in,
// its transparent area kept. Null when `plain` is null or the copy fails;
// the caller destroys it.
HICON BadgedIconCopy(HICON plain, int size, HealthVerdict verdict);

// A new icon of `size` pixels showing `plan`'s temperature: the figure in
// white on a rounded square of its colour. Null when it can't be made; the
// caller destroys it.
HICON TemperatureIcon(int size, const TrayIconPlan& plan);

}  // namespace taruk::win32
