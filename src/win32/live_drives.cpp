#include "win32/live_drives.h"

#include "win32/win32_device_opener.h"
#include "win32/win32_device_system.h"

namespace taruk {

std::unique_ptr<DeviceOpener> MakeLiveDeviceOpener(StopSignal stop) {
  return std::make_unique<Win32DeviceOpener>(std::make_unique<Win32DeviceSystem>(kDriveRequestTimeout, stop));
}

}  // namespace taruk
