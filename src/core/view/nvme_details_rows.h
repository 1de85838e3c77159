#pragma once
// The S.M.A.R.T. details list's rows for an NVMe drive, as texts in the same
// six columns as an ATA drive's.

#include <vector>

#include "core/drive/nvme_health_log.h"
#include "core/view/smart_details_rows.h"

namespace taruk {

// Fifteen rows in the order of the health log. A column the log has no value
// for is empty (see NvmeDetailsEntry); raw is twelve lower-case hex digits,
// most significant byte first, as for ATA.
std::vector<SmartDetailsRow> NvmeDetailsRows(const NvmeHealthLog& log);

}  // namespace taruk
