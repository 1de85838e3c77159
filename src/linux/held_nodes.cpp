#include "linux/held_nodes.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>

namespace taruk {

namespace {

bool IsFixedDisk(const std::string& sysBlock, const std::string& name) {
  std::ifstream removable(sysBlock + "/" + name + "/removable");
  int value = 1;
  return removable >> value && value == 0;
}

}  // namespace

HeldNodes::~HeldNodes() { KeepOnly({}); }

OpenedNode HeldNodes::Node(const LinuxDeviceOpener& opener, int driveNumber) {
  const std::string device = opener.DeviceName(driveNumber);
  const std::string name = device.substr(device.rfind('/') + 1);
  if (const auto held = held_.find(name); !name.empty() && held != held_.end()) {
    OpenedNode node{name, fcntl(held->second, F_DUPFD_CLOEXEC, 0), 0};
    if (node.fd < 0) node.error = errno;
    return node;
  }
  OpenedNode node = opener.OpenNode(driveNumber);
  if (node.fd >= 0 && node.name == name && IsFixedDisk(sysBlock_, name)) {
    const int kept = fcntl(node.fd, F_DUPFD_CLOEXEC, 0);
    if (kept >= 0) held_[name] = kept;
  }
  return node;
}

void HeldNodes::KeepOnly(const std::vector<std::string>& disks) {
  for (auto held = held_.begin(); held != held_.end();) {
    if (std::find(disks.begin(), disks.end(), held->first) != disks.end()) {
      ++held;
      continue;
    }
    close(held->second);
    held = held_.erase(held);
  }
}

}  // namespace taruk
