// The self-test decoders over whatever a drive or a capture might hand them
// (ATA, NVMe, and SCSI with its sense data and defect list header):
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
#include "core/drive/scsi_commands.h"
#include "core/drive/scsi_self_test_page.h"
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

// Page 10h at any length, and the sense data, defect headers and control
// mode page that go with a SCSI disk's self-tests.
void CheckScsi(std::span<const uint8_t> page) {
  DriveSlot slot;
  slot.bus = DriveBus::Scsi;
  slot.scsi = ScsiHealth{};
  slot.scsi->supportedPages = {0x10};
  slot.selfTest.known = true;
  if (DecodeScsiSelfTestPage(page, slot.selfTest) != (page.size() >= 4 && (page[0] & 0x3F) == 0x10)) __builtin_trap();
  if (slot.selfTest.log.size() > 20) __builtin_trap();
  if (slot.selfTest.running && slot.selfTest.log.empty()) __builtin_trap();
  if (const auto percent = DecodeSenseProgress(page); percent && *percent > 100) __builtin_trap();
  slot.scsi->grownDefects = DecodeGrownDefectCount(page, page.size() % 2 == 0);
  // The same bytes as a control mode page from either MODE SENSE form.
  for (const bool ten : {true, false}) {
    const std::optional<uint32_t> seconds = DecodeExtendedSelfTestSeconds(page, ten);
    if (seconds && (*seconds == 0 || *seconds > 0xFFFF || page.size() < (ten ? 20u : 16u))) __builtin_trap();
    if (seconds) slot.selfTest.extendedMinutes = SelfTestMinutes(*seconds);
  }
  const DriveHealth health = SlotHealth(slot);
  if (health.verdict == HealthVerdict::Unknown) __builtin_trap();
  if (SelfTestReportJson(slot).empty()) __builtin_trap();
  SelfTestReportText(slot);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::span<const uint8_t> input(data, size);
  CheckAta(input);
  CheckNvme(input);
  CheckScsi(input);
  std::vector<uint8_t> sector = Resized(data, size, kPageSize);
  CheckAta(sector);
  sector[511] = static_cast<uint8_t>(0x100 - std::accumulate(sector.begin(), sector.end() - 1, 0u) % 0x100);
  CheckAta(sector);
  CheckNvme(Resized(data, size, kNvmeSelfTestLogSize));
  return 0;
}
