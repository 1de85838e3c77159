#pragma once
// The reading pass for a disk that answers SCSI commands only: INQUIRY for
// who it is, READ CAPACITY when the system gives no size, then the log pages
// it lists as supported. Only commands that read are sent.

#include "core/drive/drive_slot.h"
#include "core/drive/smart_device.h"

namespace taruk {

// Reads `device` as a SCSI disk into `slot`. False, with the slot untouched,
// when the device answers no INQUIRY or is not a disk. A page the drive
// refuses this time keeps nothing of the last pass: the record is the pass's.
// REQUEST SENSE comes first, as it tells the power condition without ending
// it: a disk in standby is treated by `rule` as an ATA drive is (left with
// its last values, or identified only).
bool ReadScsiDrive(SmartDevice& device, SleepingDrive rule, DriveSlot& slot);

// How long the drive's extended self-test takes, from its control mode page
// (MODE SENSE(10), the (6) form for a drive that refuses it), into `tests`;
// asked only of a drive that runs self-tests.
void ReadScsiSelfTestTime(SmartDevice& device, SelfTestState& tests);

// What the views show of the record: temperature and work time.
void StoreScsiHealth(const ScsiHealth& health, DriveSlot& slot);

}  // namespace taruk
