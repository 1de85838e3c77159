#pragma once
// The one place where the drive layer meets Windows' devices: open a device
// path, send it one control code with an input and an output buffer. The
// real one is CreateFileW and DeviceIoControl (win32_device_system.h); tests
// answer from a script, since Wine answers no S.M.A.R.T. request at all.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "core/drive/usb_bridge.h"

namespace taruk {

// What DeviceIoControl gave back: whether it succeeded, how many bytes of the
// output buffer the driver filled, and the Win32 error when it failed.
struct ControlResult {
  bool succeeded = false;
  uint32_t bytesReturned = 0;
  uint32_t error = 0;
};

// One open device handle; destroying it closes the handle.
class ControlledDevice {
 public:
  virtual ~ControlledDevice() = default;
  virtual ControlResult Control(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out) = 0;
};

// How much a handle asks for when it opens. The S.M.A.R.T. requests need
// read and write access, which only an administrator gets on a physical
// drive; the storage queries (bus, NVMe identify and log, geometry) are
// allowed on a handle that asks for no access at all.
enum class DeviceAccess { ReadWrite, QueryOnly };

struct OpenedDevice {
  std::unique_ptr<ControlledDevice> device;  // null when the open failed
  uint32_t error = 0;                        // the Win32 error of a failed open
};

class DeviceSystem {
 public:
  virtual ~DeviceSystem() = default;
  virtual OpenedDevice Open(const std::wstring& path, DeviceAccess access) = 0;
  // The USB device a disk sits behind, from the system's device tree
  // without asking the drive; nothing when it cannot be told.
  virtual std::optional<UsbBridge> UsbBridgeOf(const std::wstring& /*path*/) { return std::nullopt; }
};

}  // namespace taruk
