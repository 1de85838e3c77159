#include <windows.h>

#include "core/base/cp1251.h"

#include <array>

namespace taruk {

namespace {

// The code page maps each byte on its own: one table, built once from the
// system's, serves both directions. Windows fills the byte 0x98, which code
// page 1251 leaves undefined, with U+0098; it stays undefined here, so the
// file reads and writes as on Linux.
std::array<int, 256> BuildDecodeTable() {
  std::array<int, 256> table{};
  table.fill(-1);
  for (int byte = 0; byte < 256; ++byte) {
    if (byte == 0x98) continue;
    const char in = static_cast<char>(byte);
    wchar_t out = 0;
    if (MultiByteToWideChar(1251, MB_ERR_INVALID_CHARS, &in, 1, &out, 1) == 1) table[byte] = out;
  }
  return table;
}

const std::array<int, 256>& DecodeTable() {
  static const std::array<int, 256> table = BuildDecodeTable();
  return table;
}

}  // namespace

int DecodeCp1251Byte(unsigned char byte) { return DecodeTable()[byte]; }

bool EncodeCp1251(const std::wstring& text, std::string& bytes) {
  const std::array<int, 256>& table = DecodeTable();
  std::string out;
  out.reserve(text.size());
  for (const wchar_t c : text) {
    int found = -1;
    // ASCII maps to itself: no search for the common case.
    if (c < 0x80 && table[c] == c) {
      found = c;
    } else {
      for (int byte = 0x80; byte < 256 && found < 0; ++byte) {
        if (table[byte] == static_cast<int>(c)) found = byte;
      }
    }
    if (found < 0) return false;
    out += static_cast<char>(found);
  }
  bytes = std::move(out);
  return true;
}

}  // namespace taruk
