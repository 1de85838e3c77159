#pragma once
// The program's wide texts as UTF-8, for terminals, logs and reports. A
// character without a UTF-8 form (a lone surrogate, such as the escape of a
// file-name byte that was not UTF-8) shows as U+FFFD. (File names have their
// own lossless conversion in path_text.h.)

#include <string>
#include <string_view>

namespace taruk {

std::string ToUtf8(std::wstring_view text);

// Appends the UTF-8 form of one Unicode scalar value (not a surrogate, at
// most U+10FFFF).
void AppendUtf8(char32_t character, std::string& out);

}  // namespace taruk
