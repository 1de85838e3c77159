// The self-test decoders over whatever a drive or a capture might hand them:
// the input as it is (any length, which only a whole page survives), then
// cut or zero-filled to a whole ATA sector and a whole NVMe log, and once
// more with the ATA checksum made good so that the ring walk is explored.
// Nothing may crash or read outside the input; a decoded log keeps its
// bounds, and the verdict and report are still built.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <vector>

#include "core/capture/self_test_report.h"
#include "core/drive/ata_self_test_pages.h"
#include "core/drive/nvme_self_test_pages.h"
#include "core/drive/slot_health.h"

#include "fuzz_bytes.h"

using namespace taruk;

namespace {

void CheckSlot(DriveSlot& slot) {
  slot.attributes[0] = {1, 100, 100, 50, {}};
  const DriveHealth health = SlotHealth(slot);
  if (health.verdict == HealthVerdict::Unknown) __builtin_trap();
  if (SelfTestReportJson(slot).empty()) __builtin_trap();
  SelfTestReportText(slot);
}

void CheckAta(std::span<const uint8_t> page) {
  DriveSlot slot;
  DecodeAtaSelfTestData(page, slot.selfTest);
  if (slot.selfTest.known != (page.size() == kPageSize)) __builtin_trap();
  if (slot.selfTest.percentDone > 100) __builtin_trap();
  AtaHasSelfTestLog(page, page);
  AtaHasErrorLog(page, page);
  std::string error;
  if (const auto entries = DecodeAtaSelfTestLog(page, &error)) {
    if (entries->size() > 21) __builtin_trap();
    slot.selfTest.log = *entries;
    slot.selfTest.logRead = true;
  } else if (error.empty()) {
    __builtin_trap();
  }
  if (const auto count = DecodeAtaErrorCount(page)) slot.selfTest.errorCount = count;
  CheckSlot(slot);
}

void CheckNvme(std::span<const uint8_t> log) {
  DriveSlot slot;
  slot.bus = DriveBus::Nvme;
  slot.nvmeLog = NvmeHealthLog{};
  DecodeNvmeSelfTestSupport(log, slot.selfTest);
  const bool decoded = DecodeNvmeSelfTestLog(log, slot.selfTest);
  if (decoded != (log.size() == kNvmeSelfTestLogSize)) __builtin_trap();
  if (slot.selfTest.log.size() > 20 || slot.selfTest.percentDone > 100) __builtin_trap();
  CheckSlot(slot);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::span<const uint8_t> input(data, size);
  CheckAta(input);
  CheckNvme(input);
  std::vector<uint8_t> sector = Resized(data, size, kPageSize);
  CheckAta(sector);
  sector[511] = static_cast<uint8_t>(0x100 - std::accumulate(sector.begin(), sector.end() - 1, 0u) % 0x100);
  CheckAta(sector);
  CheckNvme(Resized(data, size, kNvmeSelfTestLogSize));
  return 0;
}
