#include "core/base/path_text.h"

#include <cstdint>

#include "core/base/utf8_text.h"
#include "core/base/wide_char.h"

namespace taruk {

namespace {

constexpr wchar_t kEscapeBase = 0xDC00;

// The length of the well-formed UTF-8 sequence at `bytes[i]` and its
// character, or 0 when the byte starts none (a stray continuation byte, an
// overlong form, a surrogate, a value beyond Unicode, a cut sequence).
size_t DecodeUtf8(std::string_view bytes, size_t i, char32_t& character) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) {
    character = lead;
    return 1;
  }
  size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (i + length > bytes.size()) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  char32_t value = lead & (0xFF >> (length + 1));
  for (size_t k = 1; k < length; ++k) {
    if (k > 1 && (byte(i + k) < 0x80 || byte(i + k) > 0xBF)) return 0;
    value = (value << 6) | (byte(i + k) & 0x3F);
  }
  character = value;
  return length;
}

}  // namespace

const wchar_t kPathSeparators[] = L"\\/";

// Windows names are UTF-16; their bytes are UTF-8, decoded by hand with the
// same strictness as glibc's iconv on Linux, so that a name makes the same
// trip on both systems.
std::wstring PathBytesToWide(std::string_view bytes) {
  std::wstring wide;
  wide.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    char32_t c = 0;
    const size_t length = DecodeUtf8(bytes, i, c);
    if (length == 0) {
      // The byte starts no valid sequence: escape it alone.
      wide += static_cast<wchar_t>(kEscapeBase + static_cast<unsigned char>(bytes[i]));
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      wide += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
      wide += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      wide += static_cast<wchar_t>(c);
    }
    i += length;
  }
  return wide;
}

bool WidePathToBytes(const std::wstring& path, size_t maxBytes, std::string& bytes) {
  std::string out;
  out.reserve(path.size());
  for (size_t i = 0, units = 1; i < path.size(); i += units) {
    const char32_t c = CharacterAt(path, i, units);
    if (c >= 0xD800 && c <= 0xDFFF) {
      // Only escapes of the bytes 0x80..0xFF turn back into bytes.
      if (c < kEscapeBase + 0x80u || c > kEscapeBase + 0xFFu) return false;
      out += static_cast<char>(c - kEscapeBase);
    } else {
      AppendUtf8(c, out);
    }
  }
  // A NUL would end the name early in every system call that takes it.
  if (out.size() > maxBytes || out.find('\0') != std::string::npos) return false;
  bytes = std::move(out);
  return true;
}

}  // namespace taruk
