#include "core/mail/mail_text.h"

#include "core/base/local_time.h"
#include "core/base/wide_char.h"

namespace taruk {

std::string ToWireBytes(const std::wstring& text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto value = static_cast<unsigned long>(text[i]);
    bytes.push_back(value <= 0xFF ? static_cast<char>(static_cast<unsigned char>(value)) : '?');
    // Where wchar_t is UTF-16, a character beyond U+FFFF takes two units: it
    // is still one character, one "?".
    if (sizeof(wchar_t) == 2 && IsSurrogatePair(text, i)) ++i;
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
  // The English day and month names that mail readers expect, even when the
  // program runs under another locale; the numbers and the zone's
  // abbreviation read the same in every locale.
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm local{};
  if (!ToLocalTime(when, local) || local.tm_wday < 0 || local.tm_wday > 6 || local.tm_mon < 0 || local.tm_mon > 11) {
    return L"";
  }
  char day[8];
  char rest[128];
  const size_t dayLength = std::strftime(day, sizeof day, "%d", &local);
  const size_t restLength = std::strftime(rest, sizeof rest, "%y %H:%M:%S %Z", &local);
  return FromWireBytes(std::string(kDays[local.tm_wday]) + ", " + std::string(day, dayLength) + " " +
                       kMonths[local.tm_mon] + " " + std::string(rest, restLength));
}

}  // namespace taruk
