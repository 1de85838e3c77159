#pragma once
// Win32 error codes where the core expects errno values and one-line texts.

#include <string>

namespace taruk {

// The errno value nearest to a Win32 error code (EIO when none is near).
int ErrnoFor(unsigned long win32Error);

// Sets errno from GetLastError().
void SetErrnoFromLastError();

// FormatMessageW's text for the code without its closing line break; empty
// when the system has none.
std::wstring SystemMessage(unsigned long win32Error);

// The system's text for the code as UTF-8 on one line.
std::string Win32ErrorUtf8(unsigned long win32Error);

}  // namespace taruk
