#pragma once
// The program's wide texts to and from UTF-8, for terminals, files and paths.

#include <string>
#include <string_view>

std::string ToUtf8(std::wstring_view text);
// Bytes that are not valid UTF-8 become U+FFFD each.
std::wstring FromUtf8(std::string_view text);
