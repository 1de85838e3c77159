#pragma once
// The disks' nodes a serving taruk-smart-reader keeps open from one pass to
// the next: opening and closing a disk's node costs the kernel more than
// reading its temperature does. Each pass gets its own descriptor of the
// held node, to hand to a worker as a freshly opened one.
//
// Only fixed disks are held: while a removable disk's node is open, the
// kernel keeps its medium locked in the drive. A disk that leaves the
// listing is let go, so that its name is free again when it comes back.

#include <map>
#include <string>
#include <vector>

#include "linux/linux_device_opener.h"

namespace taruk {

class HeldNodes {
 public:
  // `sysBlock` says which disks are removable.
  explicit HeldNodes(std::string sysBlock = "/sys/block") : sysBlock_(std::move(sysBlock)) {}
  ~HeldNodes();
  HeldNodes(const HeldNodes&) = delete;
  HeldNodes& operator=(const HeldNodes&) = delete;

  // Drive N's node as `opener.OpenNode` gives it, from the one held when
  // there is one, else opened (and held if the disk is fixed).
  OpenedNode Node(const LinuxDeviceOpener& opener, int driveNumber);
  // Lets go of every node whose disk is not in `disks`.
  void KeepOnly(const std::vector<std::string>& disks);

 private:
  std::string sysBlock_;
  std::map<std::string, int> held_;  // by disk name
};

}  // namespace taruk
