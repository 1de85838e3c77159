#pragma once
// Physical drive N on Linux: the N-th whole disk of /sys/block in natural
// name order. Loop, RAM, device-mapper, RAID and network block devices and
// optical drives are not physical disks and take no number.

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

// The kernel name of the whole disk whose node `fd` is open on, from the
// link /sys/dev/block/MAJOR:MINOR beside `sysBlock`: one call, where a list
// of the disks takes several per disk. None for a partition's node.
std::optional<std::string> NodeDiskName(int fd, const std::string& sysBlock = "/sys/block");

}  // namespace taruk
