#pragma once
// Code page 1251 (Windows Cyrillic), the 8-bit form of the settings file.
// Both directions go through glibc's iconv on Linux, and through the
// system's own table for the code page on Windows.

#include <string>

namespace taruk {

// The character a byte stands for, or -1 for the one byte the code page leaves
// undefined (0x98).
int DecodeCp1251Byte(unsigned char byte);

// False when the system has no converter for the code page (glibc without
// its CP1251 module, Windows without the code page): no byte decodes then,
// and nothing can be encoded.
inline bool Cp1251Available() { return DecodeCp1251Byte('0') == '0'; }

// The whole text as code page 1251 bytes. False, with `bytes` untouched, when
// some character has no byte in the code page.
bool EncodeCp1251(const std::wstring& text, std::string& bytes);

}  // namespace taruk
