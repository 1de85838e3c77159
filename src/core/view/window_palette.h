#pragma once
// The colours the Qt and the Win32 windows paint with, listed once; each
// toolkit turns them into its own colour type.

namespace taruk {

struct RgbColour {
  int red = 0;
  int green = 0;
  int blue = 0;
  friend bool operator==(const RgbColour&, const RgbColour&) = default;
};

namespace palette {
// The information area's light blue; the tool buttons' faces, a hovered or
// focused disk button and the temperature graph's field share it.
constexpr RgbColour kLightBlue{223, 238, 255};
constexpr RgbColour kPanelText{40, 40, 80};     // dark blue
constexpr RgbColour kWhite{255, 255, 255};      // a disk button at rest
constexpr RgbColour kGroupCaption{50, 0, 225};  // the Options dialog's group boxes
constexpr RgbColour kGraphGrid{191, 222, 255};
constexpr RgbColour kGraphAxis{10, 10, 50};
constexpr RgbColour kGraphCritical{255, 55, 55};
constexpr RgbColour kGraphTemperature{255, 255, 5};
// The details list's rows behind a health reason.
constexpr RgbColour kCautionRow{255, 236, 170};  // pale amber
constexpr RgbColour kBadRow{255, 200, 200};      // pale red
}  // namespace palette

}  // namespace taruk
