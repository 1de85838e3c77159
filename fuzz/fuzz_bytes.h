#pragma once
// The fuzzers' input cut or zero-filled to a fixed length, so that every byte
// of a whole page or answer is explored.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

inline std::vector<uint8_t> Resized(const uint8_t* data, std::size_t size, std::size_t length) {
  std::vector<uint8_t> bytes(data, data + std::min(size, length));
  bytes.resize(length, 0);
  return bytes;
}
