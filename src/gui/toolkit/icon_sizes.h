#pragma once
// The sizes the program's icons are drawn at when it is built
// (tools/make_icon_pngs.cpp): the notification area's (16 to 64), the
// buttons' and dialogs' 32, and the window manager's and the menu entry's 128.
// A size asked for between them is scaled down from the next larger one.

namespace taruk {

inline constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128};

}  // namespace taruk
