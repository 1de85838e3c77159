#pragma once
// Little-endian numbers inside byte buffers: the drive's pages, the request
// blocks and answers of the drive seam, attribute raw values. Byte by byte,
// so the host's own order never matters.

#include <cstddef>
#include <cstdint>
#include <span>

namespace taruk {

// The value of bytes[0..size), lowest byte first (at most 8 bytes).
constexpr uint64_t ReadLittleEndian(std::span<const uint8_t> bytes) {
  uint64_t value = 0;
  for (std::size_t i = bytes.size(); i-- > 0;) value = value << 8 | bytes[i];
  return value;
}

constexpr uint32_t ReadLittleEndian32(const uint8_t* bytes) {
  return static_cast<uint32_t>(ReadLittleEndian(std::span<const uint8_t>(bytes, 4)));
}

// Fills bytes[0..size) with value, lowest byte first; higher bytes of value
// that do not fit are dropped.
constexpr void WriteLittleEndian(std::span<uint8_t> bytes, uint64_t value) {
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

constexpr void WriteLittleEndian32(uint8_t* bytes, uint32_t value) {
  WriteLittleEndian(std::span<uint8_t>(bytes, 4), value);
}

}  // namespace taruk
