#pragma once
// wchar_t holds a whole character (UTF-32) on Linux, but only a UTF-16 unit
// on Windows, where a character beyond U+FFFF takes two: a high surrogate
// followed by a low one. Code that walks wide text by character asks here.

#include <cstddef>
#include <string_view>
#include <type_traits>

namespace taruk {

// True where wchar_t is UTF-16 and text[i], text[i + 1] are one character.
inline bool IsSurrogatePair(std::wstring_view text, std::size_t i) {
  if constexpr (sizeof(wchar_t) != 2) return false;
  return i + 1 < text.size() && text[i] >= 0xD800 && text[i] <= 0xDBFF && text[i + 1] >= 0xDC00 &&
         text[i + 1] <= 0xDFFF;
}

// The character that starts at text[i], and how many units it takes.
inline char32_t CharacterAt(std::wstring_view text, std::size_t i, std::size_t& units) {
  if (IsSurrogatePair(text, i)) {
    units = 2;
    return 0x10000 + ((static_cast<char32_t>(text[i]) - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
  }
  units = 1;
  return static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(text[i]));
}

}  // namespace taruk
