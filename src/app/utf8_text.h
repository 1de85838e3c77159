#pragma once
// The program's wide texts as UTF-8, for terminals and reports. (File names
// have their own lossless conversion in path_text.h.)

#include <string>
#include <string_view>

std::string ToUtf8(std::wstring_view text);
