// The NVMe decoders over whatever a drive or a capture might hand them: the
// input as it is (any length, which only a whole page or answer survives),
// then cut or zero-filled to a whole health log page and a whole Identify
// answer so that every byte of them is explored. Nothing may crash or read
// outside the input, a counter never wraps, and the rows keep their shape.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "core/drive/drive_health.h"
#include "core/drive/nvme_details.h"
#include "core/drive/nvme_health_log.h"
#include "core/drive/nvme_identify.h"
#include "core/view/nvme_details_rows.h"
#include "fuzz_bytes.h"

using namespace taruk;

namespace {

void CheckHealthLog(std::span<const uint8_t> page) {
  const std::optional<NvmeHealthLog> log = DecodeNvmeHealthLog(page);
  if (log.has_value() != (page.size() == kNvmeHealthLogSize)) __builtin_trap();
  if (!log) return;
  for (const NvmeCounter& counter : {log->dataUnitsRead, log->dataUnitsWritten, log->hostReadCommands,
                                     log->hostWriteCommands, log->controllerBusyTime, log->powerCycles,
                                     log->powerOnHours, log->unsafeShutdowns, log->mediaErrors, log->errorLogEntries}) {
    if (counter.saturated && counter.value != std::numeric_limits<uint64_t>::max()) __builtin_trap();
  }
  DriveSlot slot;
  StoreNvmeHealthLog(*log, slot);
  if (slot.temperature > 0xFFFE - 273) __builtin_trap();
  if (log->powerOnHours.value >= 0xFFFFFFFF && slot.powerOnHours != 0xFFFFFFFF) __builtin_trap();
  const DriveHealth health = NvmeHealth(NvmeHealthFieldsOf(*log));
  if (health.verdict == HealthVerdict::Unknown) __builtin_trap();
  if (health.reasons.empty() != (health.verdict == HealthVerdict::Good)) __builtin_trap();
  const std::vector<SmartDetailsRow> rows = NvmeDetailsRows(*log);
  if (rows.size() != kNvmeDetailsCount) __builtin_trap();
  for (const SmartDetailsRow& row : rows) {
    if (row[5].size() != 12 || row[1].empty() || !row[4].empty()) __builtin_trap();
  }
}

void CheckIdentify(std::span<const uint8_t> data) {
  DriveSlot slot;
  const bool decoded = DecodeNvmeIdentify(data, slot);
  if (decoded != (data.size() == kNvmeIdentifySize)) __builtin_trap();
  if (slot.model.size() > 40 || slot.serialNumber.size() > 20 || slot.firmware.size() > 8) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::span<const uint8_t> input(data, size);
  CheckHealthLog(input);
  CheckIdentify(input);
  CheckHealthLog(Resized(data, size, kNvmeHealthLogSize));
  CheckIdentify(Resized(data, size, kNvmeIdentifySize));
  return 0;
}
