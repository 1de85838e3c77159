#pragma once
// The USB bridge of a disk, from sysfs alone (no privilege, nothing sent to
// the drive): from /sys/block/NAME/device up the device tree to the first
// directory with an idVendor file, the USB device; the directory just below
// it on the way is the storage interface, whose driver link names
// usb-storage or uas.

#include <optional>
#include <string>

#include "core/drive/usb_bridge.h"

namespace taruk {

// The bridge of /sys/block/NAME under `sysBlock` (a made-up tree in tests);
// nothing for a disk that is not behind USB or whose tree cannot be read.
std::optional<UsbBridge> FindUsbBridge(const std::string& sysBlock, const std::string& name);

}  // namespace taruk
