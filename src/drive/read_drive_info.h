#pragma once
// The reading pass: one physical drive's capability, geometry, identity and
// S.M.A.R.T. pages into its slot. A failing request never clears a field.

#include <memory>

#include "drive/drive_slot.h"
#include "drive/smart_device.h"

// Opens physical drive N; null stands for the invalid handle.
std::unique_ptr<SmartDevice> OpenSmartDevice(DeviceOpener& opener, int driveNumber);

// SMART ENABLE OPERATIONS for one device-map position.
bool EnableSmart(SmartDevice& device, int position);

// The whole pass for one drive number, written into `slot`.
void ReadDriveInfo(DeviceOpener& opener, int driveNumber, DriveSlot& slot);

// ReadDriveInfo for drives 0..3 in order, into their slots.
void ReadAllDrives(DeviceOpener& opener, DriveSlots& slots);
