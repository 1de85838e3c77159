#pragma once
// File names are bytes on Linux and wide text in the monitor; on Windows,
// where names are UTF-16, the bytes are their UTF-8 form. Bytes are read
// as UTF-8; a byte that does not form UTF-8 becomes the character U+DC80 plus
// the byte (the escape Python uses for such names), so any name found in the
// environment reaches the same file again after the trip to wide text and
// back.

#include <cstddef>
#include <string>
#include <string_view>

namespace taruk {

// What separates a path's folders: '/' on Linux, '\' and '/' on Windows.
extern const wchar_t kPathSeparators[];

std::wstring PathBytesToWide(std::string_view bytes);

// False, with `bytes` untouched, when a character has no byte form (a lone
// surrogate other than an escape, a value beyond Unicode) or the name would
// need more than `maxBytes` bytes.
bool WidePathToBytes(const std::wstring& path, size_t maxBytes, std::string& bytes);

}  // namespace taruk
