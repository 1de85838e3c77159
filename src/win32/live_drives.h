#pragma once
// The live drives of this machine for the reading pass: \\.\PhysicalDrive0
// to 3 through DeviceIoControl.

#include <memory>

#include "core/base/stop_request.h"
#include "core/drive/smart_device.h"

namespace taruk {

// A stop request ends a drive request that is still waiting.
std::unique_ptr<DeviceOpener> MakeLiveDeviceOpener(StopSignal stop = kNoStopSignal);

}  // namespace taruk
