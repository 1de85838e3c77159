#include "core/drive/volumes.h"

#include <limits>

namespace taruk {

uint32_t FreeMegabytes(uint64_t bytes) {
  const uint64_t megabytes = bytes / 1'000'000;
  return megabytes > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                          : static_cast<uint32_t>(megabytes);
}

std::vector<VolumeSpace> Volumes::FreeSpace(size_t most) {
  std::vector<std::wstring> roots = Roots();
  if (roots.size() > most) roots.resize(most);
  std::vector<VolumeSpace> volumes;
  volumes.reserve(roots.size());
  for (std::wstring& root : roots) {
    uint64_t bytes = 0;
    const bool known = FreeBytesAvailable(root, bytes);
    volumes.push_back({std::move(root), known ? std::optional<uint64_t>(bytes) : std::nullopt});
  }
  return volumes;
}

}  // namespace taruk
