#include "core/base/log_line.h"

#include <cstdio>

#include "core/base/utf8_text.h"

namespace taruk {

void LogLine(const std::wstring& text) {
  std::wstring line = text;
  while (!line.empty() && (line.back() == L'\r' || line.back() == L'\n' || line.back() == L' ')) line.pop_back();
  for (wchar_t& character : line) {
    if (character < 0x20 || character == 0x7F) character = L' ';
  }
  std::fprintf(stderr, "taruk: %s\n", ToUtf8(line).c_str());
}

}  // namespace taruk
