#pragma once
// The windows' palette (core/view/window_palette.h) as Win32 colours.

#include <windows.h>

#include "core/view/window_palette.h"

namespace taruk::win32 {

constexpr COLORREF ToColorRef(const RgbColour& colour) { return RGB(colour.red, colour.green, colour.blue); }

}  // namespace taruk::win32
