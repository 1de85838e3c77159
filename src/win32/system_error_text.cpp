#include "win32/system_error_text.h"

#include "win32/system/win32_error.h"

namespace taruk {

std::wstring SystemErrorText(unsigned long code) {
  const std::wstring text = SystemMessage(code);
  return text.empty() ? L"Error " + std::to_wstring(code) : text;
}

}  // namespace taruk
