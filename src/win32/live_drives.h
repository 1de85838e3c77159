#pragma once
// The live drives of this machine for the reading pass: \\.\PhysicalDrive0
// to 3 through DeviceIoControl.

#include <cstdint>
#include <memory>

#include "core/drive/smart_device.h"

namespace taruk {

// `stopSignal`: the program's stop event (core/base/stop_request.h), -1 for
// none; a stop request ends a drive request that is still waiting.
std::unique_ptr<DeviceOpener> MakeLiveDeviceOpener(std::intptr_t stopSignal = -1);

}  // namespace taruk
