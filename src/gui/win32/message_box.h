#pragma once
// The program's message boxes on Windows: input checks with the stop icon,
// system errors with the information icon, both titled "Error".

#include <windows.h>

#include <string>

namespace taruk::win32 {

// Title "Error", stop icon, OK.
void ShowStopError(const std::wstring& text, HWND owner);
// The system's text for `code` (ShowSystemError): title "Error", information
// icon, OK.
void ShowSystemError(unsigned long code, HWND owner);
// The same box for a text already made.
void ShowSystemErrorText(const std::wstring& text, HWND owner);

}  // namespace taruk::win32
