// The Options dialog's number rule against the C library's own wcstol in the
// "C" locale, clamped to 32 bits: any text, same number. The range checks
// must agree with the number they were given.
#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "core/view/options_exchange.h"

using namespace taruk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool classicLocale = std::setlocale(LC_ALL, "C") != nullptr;
  (void)classicLocale;
  std::wstring text(size / sizeof(wchar_t), L'\0');
  std::memcpy(text.data(), data, text.size() * sizeof(wchar_t));
  // wcstol stops at the first null; so does the edit box's text.
  text = std::wstring(text.c_str());

  errno = 0;
  const long long wide = std::wcstoll(text.c_str(), nullptr, 10);
  const int32_t expected = wide > INT32_MAX ? INT32_MAX : wide < INT32_MIN ? INT32_MIN : static_cast<int32_t>(wide);
  const int32_t got = WideTextToInteger(text);
  if (got != expected) std::abort();

  const bool pollFine = got >= 10 && got <= 600;
  const bool criticalFine = got >= 1 && got <= 100;
  const std::wstring message = OptionsInputError(text, text);
  if (message.empty() != (pollFine && criticalFine)) std::abort();
  if (!pollFine && message.find(L"polling") == std::wstring::npos) std::abort();
  return 0;
}
