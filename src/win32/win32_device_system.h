#pragma once
// The real devices: CreateFileW and DeviceIoControl. A driver that never
// answers must not hang the monitor, so every request goes out overlapped
// and is waited for with a time-out; a request that outlives it is
// cancelled (CancelIoEx). Windows offers nothing stronger: a driver that
// ignores the cancel keeps the request, and then its buffers are left to it
// and the device refuses every further request.

#include <chrono>
#include <cstdint>
#include <memory>

#include "core/base/stop_request.h"
#include "win32/device_control.h"

namespace taruk {

// Longer than any drive takes to spin up and answer a S.M.A.R.T. request.
constexpr std::chrono::milliseconds kDriveRequestTimeout{15000};

class Win32DeviceSystem : public DeviceSystem {
 public:
  // A stop request (the program's stop event) ends a waiting request at once.
  explicit Win32DeviceSystem(std::chrono::milliseconds timeout = kDriveRequestTimeout, StopSignal stop = kNoStopSignal);

  OpenedDevice Open(const std::wstring& path, DeviceAccess access) override;
  // The disk's device number (IOCTL_STORAGE_GET_DEVICE_NUMBER) found among
  // the disk interfaces (SetupAPI), then up the device tree (CfgMgr32) to
  // the first "USB\VID_xxxx&PID_xxxx" device and its driver service.
  std::optional<UsbBridge> UsbBridgeOf(const std::wstring& path) override;

 private:
  std::chrono::milliseconds timeout_;
  StopSignal stop_;
};

// A handle opened elsewhere with FILE_FLAG_OVERLAPPED, under the same
// time-out; the device closes it. (Tests give it requests that never end.)
std::unique_ptr<ControlledDevice> AdoptOverlappedHandle(void* handle, std::chrono::milliseconds timeout,
                                                        StopSignal stop = kNoStopSignal);

}  // namespace taruk
