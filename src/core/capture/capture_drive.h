#pragma once
// Records a drive's answers to the requests of the reading pass, whatever
// device gives them (live ATA pass-through, or a replayed capture).

#include "core/drive/smart_device.h"
#include "core/capture/drive_capture.h"

// Sends exactly what ReadDriveInfo would send, in the same order, and keeps
// every answer; a refused request leaves its entry empty. When the version
// request fails the pass would stop there, and so does the capture. A drive
// in standby is treated by `rule`, as the pass would treat it: by default
// identified, not woken.
DriveCapture CaptureDrive(SmartDevice& device, SleepingDrive rule = SleepingDrive::Identify);
