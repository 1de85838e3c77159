#pragma once
// The reading pass: one physical drive's capability, geometry, identity and
// S.M.A.R.T. pages into its slot. A failing request never clears a field.

#include <memory>

#include "core/drive/drive_slot.h"
#include "core/drive/smart_device.h"

namespace taruk {

// Opens physical drive N for a pass that treats a sleeping drive by `rule`;
// null stands for the invalid handle.
std::unique_ptr<SmartDevice> OpenSmartDevice(DeviceOpener& opener, int driveNumber, SleepingDrive rule);

// CHECK POWER MODE for an ATA position; records the answer in `slot`.
// True when the drive reports standby.
bool CheckPowerMode(SmartDevice& device, int position, DriveSlot& slot);

// What the pass does with a sleeping drive: with `wake`, read it as any
// other; otherwise identify it only while its slot is not yet present (at
// start, or when it first appears), and leave it alone after that.
SleepingDrive SleepingDriveRule(const DriveSlot& slot, bool wake);

// The whole pass for one drive number, written into `slot`. Each ATA
// position is asked for its power mode first; one in standby is not woken
// unless `wake` is set, and keeps its slot's values.
void ReadDriveInfo(DeviceOpener& opener, int driveNumber, DriveSlot& slot, bool wake = false);

// The pass over a drive already open, treating a sleeping drive by `rule`.
// Slot fields the drive does not answer for keep their values.
void ReadDrive(SmartDevice& device, SleepingDrive rule, DriveSlot& slot);

}  // namespace taruk
