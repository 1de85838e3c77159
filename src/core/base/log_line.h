#pragma once
// The program's log: one line on stderr each, "taruk: " first, worded the same
// on every system. The headless monitor's account of its alarm actions and
// the warnings of the settings files both go here.

#include <string>

namespace taruk {

// Line breaks and other control characters inside the text become spaces,
// so that one event stays one line.
void LogLine(const std::wstring& text);

}  // namespace taruk
