#include "core/mail/mail_text.h"

#include <locale.h>

namespace taruk {

std::string ToWireBytes(const std::wstring& text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (const wchar_t c : text) {
    const auto value = static_cast<unsigned long>(c);
    bytes.push_back(value <= 0xFF ? static_cast<char>(static_cast<unsigned char>(value)) : '?');
  }
  return bytes;
}

std::wstring FromWireBytes(const std::string& bytes) {
  std::wstring text;
  text.reserve(bytes.size());
  for (const char c : bytes) text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return text;
}

bool HasLineBreak(const std::wstring& text) { return text.find_first_of(L"\r\n") != std::wstring::npos; }

std::wstring OnOneLine(std::wstring text) {
  for (wchar_t& c : text) {
    if (c == L'\r' || c == L'\n') c = L' ';
  }
  return text;
}

std::wstring StuffBody(const std::wstring& body) {
  std::wstring sent;
  sent.reserve(body.size() + body.size() / 16 + 2);
  bool lineStart = true;
  for (size_t i = 0; i < body.size(); ++i) {
    const wchar_t c = body[i];
    if (c == L'\r' || c == L'\n') {
      if (c == L'\r' && i + 1 < body.size() && body[i + 1] == L'\n') ++i;
      sent += L"\r\n";
      lineStart = true;
      continue;
    }
    if (lineStart && c == L'.') sent.push_back(L'.');
    sent.push_back(c);
    lineStart = false;
  }
  return sent;
}

std::wstring FormatMailDate(std::time_t when) {
  std::tm local{};
  if (!localtime_r(&when, &local)) return L"";
  // The C locale gives the English day and month names that mail readers
  // expect, even when the program runs under another locale.
  const locale_t english = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  if (!english) return L"";
  char text[128];
  const size_t length = strftime_l(text, sizeof text, "%a, %d %b %y %H:%M:%S %Z", &local, english);
  freelocale(english);
  return FromWireBytes(std::string(text, length));
}

}  // namespace taruk
