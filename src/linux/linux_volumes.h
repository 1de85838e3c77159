#pragma once
// The volumes of a Linux machine: one mount point per block device, sorted
// by path, at most 26, with the space statvfs says the calling user may use.

#include <string>
#include <string_view>
#include <vector>

#include "core/drive/volumes.h"

namespace taruk {

// The mount points of block-device file systems in a mountinfo text
// (/proc/self/mountinfo), one per device, sorted by path.
std::vector<std::string> BlockDeviceMountPoints(std::string_view mountInfo);

class LinuxVolumes : public Volumes {
 public:
  explicit LinuxVolumes(std::string mountInfoPath = "/proc/self/mountinfo");
  // Read afresh on every call: volumes come and go between cycles.
  std::vector<std::wstring> Roots() override;
  // f_bavail * f_frsize; false for a root that cannot be queried or has no
  // blocks at all.
  bool FreeBytesAvailable(const std::wstring& root, uint64_t& bytes) override;

 private:
  std::string mountInfoPath;
};

}  // namespace taruk
