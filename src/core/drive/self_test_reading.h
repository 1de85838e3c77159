#pragma once
// The self-test part of the reading pass: a drive's self-test state and
// logs into its slot. Only logs are read here; no test is ever started by a
// reading.

#include <optional>
#include <span>

#include "core/drive/drive_slot.h"
#include "core/drive/smart_device.h"

namespace taruk {

// An ATA position whose SMART data page was just read: the self-test bytes of
// that page, then the self-test log and the summary error log when the
// drive keeps them (IDENTIFY, when it was read, or the page say so). A log
// that cannot be read, or fails its checks, leaves the last one in place.
void ReadAtaSelfTests(SmartDevice& device, int position, const std::optional<Page>& identify, const Page& smartData,
                      SelfTestState& state);

// An NVMe drive: support and extended test time from its Identify
// Controller data, and the Device Self-test log only when it runs tests (a
// refused log request would add to the drive's error log itself).
void ReadNvmeSelfTests(SmartDevice& device, const NvmeIdentifyData& identify, SelfTestState& state);

// An NVMe drive's error count: the health log's error information entries,
// stopped at the largest 32-bit value.
void StoreNvmeErrorCount(const DriveSlot& slot, SelfTestState& state);

}  // namespace taruk
