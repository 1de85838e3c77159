#pragma once
// The rows of the S.M.A.R.T. details list for one drive, as texts.

#include <array>
#include <string>
#include <vector>

#include "core/drive/drive_slot.h"

namespace taruk {

// Id, name, value, threshold, worst, raw, and the raw value as a number in
// its unit where it is known ("3 sectors"): the list's seven columns in order.
using SmartDetailsRow = std::array<std::wstring, 7>;
inline constexpr size_t kDecodedColumn = 6;

// An NVMe drive's rows are its health log's (NvmeDetailsRows), none before a
// log was read. An ATA drive has one row per entry whose id is not 0, in the order of the drive's page. The
// name keeps the catalogue's padding; raw is twelve lower-case hex digits,
// most significant byte first.
std::vector<SmartDetailsRow> SmartDetailsRows(const DriveSlot& slot);

}  // namespace taruk
