#pragma once
// The verdict of whatever drive a slot holds: the one call every view and
// export makes, so that ATA and NVMe drives are judged by their own rules.

#include "core/drive/drive_health.h"
#include "core/drive/drive_slot.h"

namespace taruk {

// AtaHealth for an ATA drive; for an NVMe drive NvmeHealth of its last
// health log, or unknown when no log was read (a drive seen only through
// sysfs has none); then what its self-tests and error log add.
DriveHealth SlotHealth(const DriveSlot& slot);

}  // namespace taruk
