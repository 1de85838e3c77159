#pragma once
// The volumes whose free space the monitor watches, in the order they are
// tested (at most 26), and the space available to the calling user on each.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace taruk {

// As many volumes as there are drive letters A to Z.
constexpr size_t kMostVolumes = 26;

// Free megabytes (10^6 bytes) rounded down: what the free-space test
// compares with the minimum, equality included. A volume beyond 4 PB free
// would wrap around in 32 bits and look nearly full; it counts as the largest
// value.
uint32_t FreeMegabytes(uint64_t bytes);

struct VolumeSpace {
  std::wstring root;
  std::optional<uint64_t> freeBytes;  // none when the root cannot be queried
};

class Volumes {
 public:
  virtual ~Volumes() = default;
  virtual std::vector<std::wstring> Roots() = 0;
  // False when the root cannot be queried (gone, not ready): it is skipped.
  virtual bool FreeBytesAvailable(const std::wstring& root, uint64_t& bytes) = 0;
  // The first `most` roots with the space on each, as one cycle tests them:
  // Roots(), then FreeBytesAvailable() for each. A source that learns all of
  // them at once answers from that one reading instead.
  virtual std::vector<VolumeSpace> FreeSpace(size_t most);
  // Why the last query found no volumes at all when it should have (a
  // replayed volumes file gone or malformed), in one line; empty otherwise.
  virtual std::string Problem() const { return {}; }
};

}  // namespace taruk
