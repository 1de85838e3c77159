#pragma once
// Opens physical drive N on Linux for the reading pass: the N-th whole disk
// of /sys/block, through its node in /dev, for ATA pass-through. Needs
// CAP_SYS_RAWIO for SG_IO and read access to the node.

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/drive/drive_slot.h"
#include "core/drive/smart_device.h"
#include "linux/whole_disks.h"

namespace taruk {

// What a refused device means to someone running taruk itself.
extern const char* const kNeedsPrivilegeHint;

// Drive N's node as the opener opened it, before a device is made of it.
// A serving reader opens nodes in one process and reads them in another,
// which takes the descriptor over a socket.
struct OpenedNode {
  std::string name;  // "sda"; empty when there is no drive N
  int fd = -1;       // owned by whoever holds the node
  int error = 0;     // errno of the open when fd is -1
  // `name` is the kernel's own for the node (NodeDiskNames): it needs no
  // check against sysfs.
  bool namedByKernel = false;
};

class LinuxDeviceOpener : public DeviceOpener {
 public:
  // The folders are fixed in the program; tests point them at a made-up tree.
  explicit LinuxDeviceOpener(std::string permissionHint = kNeedsPrivilegeHint, std::string sysBlock = "/sys/block",
                             std::string devDir = "/dev");

  // Every whole disk /sys/block lists (whole_disks.h).
  std::vector<int> DriveNumbers() override;
  // "/dev/sdc"
  std::string DeviceName(int driveNumber) const override;
  // The disks as the last DriveNumbers listed them, in drive order.
  const std::vector<std::string>& ListedDisks() const { return disks_; }
  // DeviceFor(OpenNode(driveNumber)).
  std::unique_ptr<SmartDevice> Open(int driveNumber) override;
  // Opens drive N's node read-only: the only step that needs read access
  // to it (CAP_DAC_READ_SEARCH in the reader).
  OpenedNode OpenNode(int driveNumber) const;
  // The device for drive N from its node, which it takes: checked to be the
  // block device sysfs gives for `node.name`, or, when the open failed, what
  // the failure means. Sends the drive nothing.
  std::unique_ptr<SmartDevice> DeviceFor(int driveNumber, OpenedNode node);
  std::string Problem(int driveNumber) const override;

  // The run's memory of how each USB bridge took its probe, as lines
  // "FORM KEY" (FORM a digit of BridgeAtaForm). A reader that reads every
  // drive in a child of its own hands the child's memory back to itself,
  // so that a bridge is still probed once per run.
  std::string BridgeMemory() const;
  // Takes in lines written by BridgeMemory; anything else is skipped.
  void RememberBridges(std::string_view memory);

 private:
  std::string permissionHint_;
  std::string sysBlock_;
  std::string devDir_;
  // One per drive number, replaced at every Open; the device writes into it
  // when the drive turns out unreadable after it opened.
  std::map<int, std::shared_ptr<std::string>> problems_;
  // How each USB bridge took its probe, by disk name and bridge, for the
  // whole run: a bridge is probed once.
  std::map<std::string, std::shared_ptr<BridgeAtaForm>> bridgeForms_;
  // Lists the disks for DriveNumbers, each looked at once while listed.
  WholeDiskList list_;
  // The disks as the last DriveNumbers listed them.
  std::vector<std::string> disks_;
};

}  // namespace taruk
