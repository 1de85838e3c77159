#pragma once
// How the main window's buttons look and where its information area lies,
// decided once for the Qt and the Win32 window; each draws them its way.

#include "core/view/window_palette.h"
#include "gui/monitor_ids.h"

namespace taruk {

// An icon button's icon and its face in each state; the icon is shown grey
// while the pointer is away.
struct ButtonLook {
  int id;
  int icon;
  RgbColour normalFace, hotFace, focusFace;
};

constexpr int kButtonIconSize = 32;

// The three tool buttons sit on the light blue at all times; a disk button is
// white until the pointer or the focus is on it.
constexpr ButtonLook kButtonLooks[] = {
    {monitor_ids::kDetails, monitor_ids::kDetailsIcon, palette::kLightBlue, palette::kLightBlue, palette::kLightBlue},
    {monitor_ids::kOptions, monitor_ids::kOptionsIcon, palette::kLightBlue, palette::kLightBlue, palette::kLightBlue},
    {monitor_ids::kGraph, monitor_ids::kGraphIcon, palette::kLightBlue, palette::kLightBlue, palette::kLightBlue},
    {monitor_ids::kDiskButtons[0], monitor_ids::kDiskIcon, palette::kWhite, palette::kLightBlue, palette::kLightBlue},
    {monitor_ids::kDiskButtons[1], monitor_ids::kDiskIcon, palette::kWhite, palette::kLightBlue, palette::kLightBlue},
    {monitor_ids::kDiskButtons[2], monitor_ids::kDiskIcon, palette::kWhite, palette::kLightBlue, palette::kLightBlue},
    {monitor_ids::kDiskButtons[3], monitor_ids::kDiskIcon, palette::kWhite, palette::kLightBlue, palette::kLightBlue},
};

// A control's place in its window's client area, in pixels.
struct ControlRect {
  int x = 0, y = 0, width = 0, height = 0;
  friend bool operator==(const ControlRect&, const ControlRect&) = default;
};

// The light-blue information area: from 5 pixels right of the first disk
// button, level with its top, to inside the frame around the panel (the
// template draws the frame; the area is placed at run time, after the
// template's dialog units became pixels).
constexpr ControlRect InformationArea(const ControlRect& firstDiskButton, const ControlRect& frame) {
  return {firstDiskButton.x + firstDiskButton.width + 5, firstDiskButton.y, frame.width - firstDiskButton.width - 15,
          frame.height - 17};
}

}  // namespace taruk
