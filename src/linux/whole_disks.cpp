#include "linux/whole_disks.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <memory>

namespace taruk {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Compares two runs of digits by value without converting them (a run may be
// longer than any integer type).
int CompareNumbers(std::string_view a, std::string_view b) {
  while (a.size() > 1 && a.front() == '0') a.remove_prefix(1);
  while (b.size() > 1 && b.front() == '0') b.remove_prefix(1);
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b);
}

std::string_view TakeRun(std::string_view& s) {
  const bool digits = IsDigit(s.front());
  std::size_t n = 1;
  while (n < s.size() && IsDigit(s[n]) == digits) ++n;
  std::string_view run = s.substr(0, n);
  s.remove_prefix(n);
  return run;
}

// Kernel name prefixes of block devices that are no physical disk even when
// they sit on real hardware: optical drives, floppies, flash partitions.
constexpr std::array<std::string_view, 12> kSkippedPrefixes = {"loop", "ram", "zram",     "dm-", "md",   "nbd",
                                                               "sr",   "fd",  "mtdblock", "rbd", "drbd", "pmem"};

// Where a /sys/block entry leads. The link itself says it ("../devices/
// pci0000:00/..."), in one call where resolving it whole takes one per
// folder on the way: the list is made for every drive a reader reads.
// Empty for a link to nothing.
std::string DevicePath(const std::string& entry) {
  char target[PATH_MAX];
  const ssize_t length = readlink(entry.c_str(), target, sizeof target - 1);
  if (length < 0) {
    // Not a link: an old kernel's folder, or gone.
    if (!realpath(entry.c_str(), target)) return {};
    return target;
  }
  if (access(entry.c_str(), F_OK) != 0) return {};
  return std::string(target, static_cast<std::size_t>(length));
}

// Whether the /sys/block entry `name` is a whole physical disk.
bool IsWholeDisk(const std::string& sysBlock, const std::string& name) {
  if (IsSkippedBlockDevice(name, {})) return false;  // by its name alone
  const std::string devicePath = DevicePath(sysBlock + "/" + name);
  if (devicePath.empty() || IsSkippedBlockDevice(name, devicePath)) return false;
  if (name.starts_with("nvme")) {
    // The paths under a multipath head (nvme2c2n1) are hidden and have no
    // /dev node: only the head is the disk.
    std::ifstream hidden(sysBlock + "/" + name + "/hidden");
    int isHidden = 0;
    if (hidden >> isHidden && isHidden == 1) return false;
  }
  return true;
}

// The whole disk whose device number `device` is, from the link
// /sys/dev/block/MAJOR:MINOR beside `sysBlock`.
std::optional<std::string> DeviceDiskName(dev_t device, const std::string& sysBlock) {
  const std::string link =
      sysBlock + "/../dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
  char target[PATH_MAX];
  const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
  if (length <= 0) return std::nullopt;
  const std::string_view path(target, static_cast<std::size_t>(length));
  const std::string name(path.substr(path.rfind('/') + 1));
  // A partition ("sda1") has no /sys/block entry of its own.
  if (name.empty() || access((sysBlock + "/" + name).c_str(), F_OK) != 0) return std::nullopt;
  return name;
}

}  // namespace

bool NaturalNameLess(std::string_view a, std::string_view b) {
  while (!a.empty() && !b.empty()) {
    const bool aDigits = IsDigit(a.front());
    const bool bDigits = IsDigit(b.front());
    const std::string_view runA = TakeRun(a);
    const std::string_view runB = TakeRun(b);
    int order;
    if (aDigits && bDigits) {
      order = CompareNumbers(runA, runB);
      if (order == 0 && runA.size() != runB.size()) order = runA.size() < runB.size() ? -1 : 1;
    } else {
      order = runA.compare(runB);
    }
    if (order != 0) return order < 0;
  }
  return a.size() < b.size();
}

bool IsSkippedBlockDevice(std::string_view name, std::string_view devicePath) {
  // A multipath-capable NVMe drive's namespace is reached through a head
  // that the kernel files under its subsystem, not under the hardware; it
  // is the disk with the /dev node, so it keeps its number.
  if (devicePath.find("/devices/virtual/") != std::string_view::npos &&
      devicePath.find("/devices/virtual/nvme-subsystem/") == std::string_view::npos) {
    return true;
  }
  for (std::string_view prefix : kSkippedPrefixes) {
    if (name.substr(0, prefix.size()) == prefix) return true;
  }
  return false;
}

std::vector<std::string> ListWholeDisks(const std::string& sysBlock) { return WholeDiskList(sysBlock).List(); }

std::vector<std::string> WholeDiskList::List() {
  std::vector<std::string> disks;
  std::map<std::string, bool> listed;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(sysBlock_.c_str()), closedir);
  if (!dir) {
    isWholeDisk_.clear();
    return disks;
  }
  while (const dirent* entry = readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name.empty() || name[0] == '.') continue;
    const auto known = isWholeDisk_.find(name);
    const bool wholeDisk = known != isWholeDisk_.end() ? known->second : IsWholeDisk(sysBlock_, name);
    listed.emplace(name, wholeDisk);
    if (wholeDisk) disks.push_back(name);
  }
  isWholeDisk_ = std::move(listed);
  std::sort(disks.begin(), disks.end(),
            [](const std::string& a, const std::string& b) { return NaturalNameLess(a, b); });
  return disks;
}

std::vector<int> DiskNumbers(const std::vector<std::string>& disks) {
  std::vector<int> numbers(disks.size());
  for (size_t n = 0; n < numbers.size(); ++n) numbers[n] = static_cast<int>(n);
  return numbers;
}

std::string ListedDiskNode(const std::vector<std::string>& disks, int driveNumber, const std::string& devDir) {
  if (driveNumber < 0 || static_cast<size_t>(driveNumber) >= disks.size()) return {};
  return devDir + "/" + disks[static_cast<size_t>(driveNumber)];
}

std::optional<std::string> WholeDiskName(int driveNumber, const std::string& sysBlock) {
  if (driveNumber < 0) return std::nullopt;
  const std::vector<std::string> disks = ListWholeDisks(sysBlock);
  if (static_cast<std::size_t>(driveNumber) >= disks.size()) return std::nullopt;
  return disks[driveNumber];
}

std::optional<std::string> PassDiskName(const std::vector<std::string>& disks, int driveNumber,
                                        const std::string& sysBlock) {
  if (driveNumber >= 0 && static_cast<size_t>(driveNumber) < disks.size())
    return disks[static_cast<size_t>(driveNumber)];
  return WholeDiskName(driveNumber, sysBlock);
}

std::optional<std::string> NodeDiskNames::Of(int fd) {
  struct stat status {};
  if (fstat(fd, &status) != 0 || !S_ISBLK(status.st_mode)) return std::nullopt;
  const std::array<std::uint64_t, 3> node{status.st_dev, status.st_ino, status.st_rdev};
  if (const auto known = names_.find(node); known != names_.end()) return known->second;
  std::optional<std::string> name = DeviceDiskName(status.st_rdev, sysBlock_);
  // Nodes come and go with the disks plugged in over a long run.
  constexpr std::size_t kMostRemembered = 64;
  if (names_.size() >= kMostRemembered) names_.clear();
  if (name) names_.emplace(node, *name);
  return name;
}

}  // namespace taruk
