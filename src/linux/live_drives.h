#pragma once
// The live drives of this machine for the reading pass: straight through
// SG_IO when this process may send ATA commands itself (root, or
// CAP_SYS_RAWIO), else through the installed taruk-smart-reader.

#include <memory>

#include "core/drive/smart_device.h"

namespace taruk {

// `stopFd`: a stop request ends a run of the reader at once
// (core/base/stop_request.h).
std::unique_ptr<DeviceOpener> MakeLiveDeviceOpener(int stopFd = -1);

}  // namespace taruk
