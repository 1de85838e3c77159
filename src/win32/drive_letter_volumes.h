#pragma once
// The volumes of a Windows machine: the roots "A:\" to "Z:\", with the space
// GetDiskFreeSpaceExW says the calling user may use. A root that cannot be
// queried (no such drive, no medium, not ready) is skipped.

#include "core/drive/volumes.h"

namespace taruk {

class DriveLetterVolumes : public Volumes {
 public:
  // All 26 roots, in letter order: which of them answer is asked each time.
  std::vector<std::wstring> Roots() override;
  // The bytes available to the caller. An empty removable drive fails here
  // without the system's "insert a disk" box.
  bool FreeBytesAvailable(const std::wstring& root, uint64_t& bytes) override;
};

}  // namespace taruk
