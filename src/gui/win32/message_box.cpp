#include "gui/win32/message_box.h"

#include "win32/system_error_text.h"

namespace taruk::win32 {

void ShowStopError(const std::wstring& text, HWND owner) {
  MessageBoxW(owner, text.c_str(), L"Error", MB_OK | MB_ICONSTOP);
}

void ShowSystemError(unsigned long code, HWND owner) { ShowSystemErrorText(SystemErrorText(code), owner); }

void ShowSystemErrorText(const std::wstring& text, HWND owner) {
  MessageBoxW(owner, text.c_str(), L"Error", MB_OK | MB_ICONINFORMATION);
}

}  // namespace taruk::win32
