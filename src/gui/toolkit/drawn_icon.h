#pragma once
// An icon that draws the size it is asked for when it is asked, and holds
// no pixels in between. The window and tray icons are asked for rarely
// (when they are set, or when a tray paints), yet a QIcon of decoded sizes
// keeps every one of them for the program's life: 100 kB for the window
// icon's seven sizes alone.

#include <QIcon>
#include <QImage>

#include <functional>
#include <span>

namespace taruk {

// `draw(pixels)` gives the square image `pixels` wide, or a null image. The
// icon lists `sizes` as the sizes it has, and is null when its smallest
// size draws nothing. Disabled and selected modes look as the normal one.
QIcon DrawnIcon(std::span<const int> sizes, std::function<QImage(int pixels)> draw);

}  // namespace taruk
