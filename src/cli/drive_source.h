#pragma once
// Where the drives (and the volumes) come from: live devices, or captures
// with --replay. Shared by every mode of taruk.

#include <memory>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "core/base/stop_request.h"
#include "core/drive/drive_slot.h"
#include "core/drive/smart_device.h"
#include "core/drive/volumes.h"
#include "core/monitor/drive_numbering.h"

namespace taruk {

// False with a one-line `error` when --replay names no readable folder.
bool CheckReplayFolder(const CommandLine& commandLine, std::string& error);

// `stop`: a stop request that ends a live drive's reading at once
// (core/base/stop_request.h).
std::unique_ptr<DeviceOpener> MakeDriveSource(const CommandLine& commandLine, StopSignal stop = kNoStopSignal);
std::unique_ptr<Volumes> MakeVolumeSource(const CommandLine& commandLine);

// After a reading pass into `slots`: true when a drive answered.
bool AnyDrivePresent(const DriveSlots& slots);
// Why no drive answered a pass that found these: the first reason a drive
// gave, or "no disk answered" when none gave one.
std::string NoDriveReason(const std::vector<DriveFound>& found);

}  // namespace taruk
