#pragma once
// The windows' palette (core/view/window_palette.h) as Qt colours.

#include <QColor>

#include "core/view/window_palette.h"

namespace taruk {

inline QColor ToQColor(const RgbColour& colour) { return QColor(colour.red, colour.green, colour.blue); }

}  // namespace taruk
