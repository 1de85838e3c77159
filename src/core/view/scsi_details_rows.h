#pragma once
// The S.M.A.R.T. details list's rows for a SCSI disk: one row per value its
// log pages gave, in the same seven columns as an ATA drive's.

#include <vector>

#include "core/drive/scsi_log_pages.h"
#include "core/view/smart_details_rows.h"

namespace taruk {

// The id column is the log page's code in hex ("0D"); the threshold column
// holds the reference temperature, or the specified cycle count of the
// drive's lifetime; raw is twelve lower-case hex digits of the value. A
// value the drive did not give has no row.
std::vector<SmartDetailsRow> ScsiDetailsRows(const ScsiHealth& health);

}  // namespace taruk
