#include "linux/linux_device_opener.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "core/drive/drive_slot.h"
#include "linux/nvme_device.h"
#include "linux/pass_through_device.h"
#include "linux/usb_bridge_sysfs.h"
#include "linux/whole_disks.h"

namespace taruk {

const char* const kNeedsPrivilegeHint = "reading S.M.A.R.T. needs root or the installed reader";

namespace {

// The device number sysfs gives for the disk ("8:0"), to check that the node
// in /dev really is that disk.
bool SysfsDeviceNumber(const std::string& sysBlock, const std::string& name, dev_t& number) {
  std::ifstream file(sysBlock + "/" + name + "/dev");
  unsigned major = 0;
  unsigned minor = 0;
  char colon = 0;
  if (!(file >> major >> colon >> minor) || colon != ':') return false;
  number = makedev(major, minor);
  return true;
}

}  // namespace

LinuxDeviceOpener::LinuxDeviceOpener(std::string permissionHint, std::string sysBlock, std::string devDir)
    : permissionHint_(std::move(permissionHint)),
      sysBlock_(std::move(sysBlock)),
      devDir_(std::move(devDir)),
      list_(sysBlock_) {}

std::vector<int> LinuxDeviceOpener::DriveNumbers() {
  disks_ = list_.List();
  return DiskNumbers(disks_);
}

std::string LinuxDeviceOpener::DeviceName(int driveNumber) const {
  return ListedDiskNode(disks_, driveNumber, devDir_);
}

std::unique_ptr<SmartDevice> LinuxDeviceOpener::Open(int driveNumber) {
  return DeviceFor(driveNumber, OpenNode(driveNumber));
}

OpenedNode LinuxDeviceOpener::OpenNode(int driveNumber) const {
  OpenedNode node;
  if (driveNumber < 0) return node;
  const std::optional<std::string> name = PassDiskName(disks_, driveNumber, sysBlock_);
  if (!name) return node;
  node.name = *name;
  // Read-only is enough: CAP_SYS_RAWIO lets SG_IO pass any command, and the
  // commands sent here only read. O_NONBLOCK keeps a drive without medium
  // from refusing the open.
  node.fd = open((devDir_ + "/" + node.name).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (node.fd < 0) node.error = errno;
  return node;
}

std::unique_ptr<SmartDevice> LinuxDeviceOpener::DeviceFor(int driveNumber, OpenedNode node) {
  const int fd = node.fd;
  if (driveNumber < 0) {
    if (fd >= 0) close(fd);
    return nullptr;
  }
  auto problem = std::make_shared<std::string>();
  problems_[driveNumber] = problem;
  if (node.name.empty()) {  // no such drive: nothing to say
    if (fd >= 0) close(fd);
    return nullptr;
  }
  const std::string& name = node.name;
  const std::string path = devDir_ + "/" + name;
  const bool nvme = name.starts_with("nvme");
  if (fd < 0) {
    if (nvme && (node.error == EACCES || node.error == EPERM)) {
      // sysfs still gives an NVMe drive's identity and size to anyone.
      *problem = path + ": permission denied: " + permissionHint_;
      return std::make_unique<NvmeDevice>(-1, path, sysBlock_ + "/" + name, problem, permissionHint_);
    }
    if (node.error == EACCES) {
      *problem = path + ": permission denied: " + permissionHint_;
    } else if (node.error == EPERM) {
      // Not the file's permissions: a device cgroup or a security module.
      *problem = path + ": opening the device is not permitted here (container or security policy)";
    } else {
      *problem = path + ": " + strerror(node.error);
    }
    return nullptr;
  }
  // A node handed over by another process is checked as one opened here,
  // unless its name is the kernel's own for it.
  struct stat status {};
  dev_t expected = 0;
  if (!node.namedByKernel &&
      (name.find('/') != std::string::npos || fstat(fd, &status) != 0 || !S_ISBLK(status.st_mode) ||
       !SysfsDeviceNumber(sysBlock_, name, expected) || status.st_rdev != expected)) {
    close(fd);
    *problem = path + ": not the block device of " + sysBlock_ + "/" + name;
    return nullptr;
  }
  if (nvme) return std::make_unique<NvmeDevice>(fd, path, sysBlock_ + "/" + name, problem, permissionHint_);
  std::optional<UsbBridge> bridge = FindUsbBridge(sysBlock_, name);
  std::shared_ptr<BridgeAtaForm> form;
  if (bridge) {
    // Another bridge plugged in under the same name is probed afresh.
    std::shared_ptr<BridgeAtaForm>& known = bridgeForms_[name + " " + UsbBridgeText(*bridge)];
    if (!known) known = std::make_shared<BridgeAtaForm>(BridgeAtaForm::Unknown);
    form = known;
  }
  return std::make_unique<PassThroughDevice>(fd, path, problem, permissionHint_, std::move(bridge), std::move(form));
}

std::string LinuxDeviceOpener::BridgeMemory() const {
  std::string memory;
  for (const auto& [key, form] : bridgeForms_) {
    if (form && *form != BridgeAtaForm::Unknown) {
      memory += std::to_string(static_cast<int>(*form)) + " " + key + "\n";
    }
  }
  return memory;
}

void LinuxDeviceOpener::RememberBridges(std::string_view memory) {
  constexpr int kLastForm = static_cast<int>(BridgeAtaForm::NvmeCommands);
  // A disk name and UsbBridgeText are far shorter.
  constexpr std::size_t kLongestKey = 128;
  while (!memory.empty()) {
    const std::size_t end = memory.find('\n');
    if (end == std::string_view::npos) return;  // a cut line is not taken
    const std::string_view line = memory.substr(0, end);
    memory.remove_prefix(end + 1);
    if (line.size() < 3 || line[0] < '0' || line[0] - '0' > kLastForm || line[1] != ' ') continue;
    const std::string_view key = line.substr(2);
    if (key.size() > kLongestKey || key.find('\0') != std::string_view::npos) continue;
    std::shared_ptr<BridgeAtaForm>& known = bridgeForms_[std::string(key)];
    if (!known) known = std::make_shared<BridgeAtaForm>(BridgeAtaForm::Unknown);
    *known = static_cast<BridgeAtaForm>(line[0] - '0');
  }
}

std::string LinuxDeviceOpener::Problem(int driveNumber) const {
  const auto found = problems_.find(driveNumber);
  if (found == problems_.end() || !found->second) return {};
  return *found->second;
}

}  // namespace taruk
