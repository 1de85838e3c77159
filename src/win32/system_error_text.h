#pragma once
// The system's own words for a Win32 error code, as the error boxes and the
// logs show them.
#include <string>

namespace taruk {

// FormatMessageW's text for `code` with the trailing line break removed, or
// "Error N" when the system has no text for it.
std::wstring SystemErrorText(unsigned long code);

}  // namespace taruk
