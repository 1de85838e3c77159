#pragma once
// Physical drive N on Linux: the N-th whole disk of /sys/block in natural
// name order. Loop, RAM, device-mapper, RAID and network block devices and
// optical drives are not physical disks and take no number.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace taruk {

// "sda" < "sdb" < "sdz" and "nvme0n2" < "nvme0n10": runs of digits compare by
// value, everything else byte by byte.
bool NaturalNameLess(std::string_view a, std::string_view b);

// Whether /sys/block/NAME is one of the devices that take no drive number.
// `devicePath` is where the /sys/block entry leads (its resolved link);
// anything under /devices/virtual/ is a kernel-made device, not hardware.
bool IsSkippedBlockDevice(std::string_view name, std::string_view devicePath);

// The whole disks under `sysBlock` (normally /sys/block), in drive-number order.
std::vector<std::string> ListWholeDisks(const std::string& sysBlock = "/sys/block");

// ListWholeDisks pass after pass: an entry is looked at when its name
// first appears, and what the look found holds while the name stays listed.
// A name stays with one kind of device (sd, nvme, vd...) and one place
// under /sys/devices; a name that left the list is looked at afresh.
class WholeDiskList {
 public:
  explicit WholeDiskList(std::string sysBlock = "/sys/block") : sysBlock_(std::move(sysBlock)) {}
  std::vector<std::string> List();

 private:
  std::string sysBlock_;
  std::map<std::string, bool> isWholeDisk_;  // by name, as last listed
};

// The drive numbers of the disks a listing found: 0 to their count - 1.
std::vector<int> DiskNumbers(const std::vector<std::string>& disks);

// "/dev/sdc" for drive `driveNumber` of a listing; empty beyond it.
std::string ListedDiskNode(const std::vector<std::string>& disks, int driveNumber, const std::string& devDir = "/dev");

// The kernel name of physical drive `driveNumber` ("sda"), if there is one.
std::optional<std::string> WholeDiskName(int driveNumber, const std::string& sysBlock = "/sys/block");

// The name from the pass's listing when the drive is in it (a disk added
// since takes its number at the next pass), else as /sys/block lists it now.
std::optional<std::string> PassDiskName(const std::vector<std::string>& disks, int driveNumber,
                                        const std::string& sysBlock);

// The kernel names of the whole disks whose nodes a worker is handed, pass
// after pass: each from the link /sys/dev/block/MAJOR:MINOR beside
// `sysBlock` (one call, where a list of the disks takes several per disk),
// asked once for each node, which is known by its file system, inode and
// device number. A disk plugged in again gets a new node in /dev. None for
// a partition's node.
class NodeDiskNames {
 public:
  explicit NodeDiskNames(std::string sysBlock = "/sys/block") : sysBlock_(std::move(sysBlock)) {}
  std::optional<std::string> Of(int fd);

 private:
  std::string sysBlock_;
  std::map<std::array<std::uint64_t, 3>, std::string> names_;
};

}  // namespace taruk
