#pragma once
// The health verdict of a SCSI disk from its log pages.

#include "core/drive/drive_health.h"
#include "core/drive/scsi_log_pages.h"

namespace taruk {

// bad: the drive reports an informational exception of failure prediction
// threshold exceeded (ASC 5Dh, including the FFh a test raises); caution: a
// warning (ASC 0Bh), uncorrected read, write or verify errors, or grown
// defects (each rise of either raises the health alarm again); unknown
// when the drive answered neither a log page nor REQUEST SENSE.
DriveHealth ScsiDriveHealth(const ScsiHealth& health);

}  // namespace taruk
