#include "core/drive/self_test_reading.h"

#include <algorithm>
#include <limits>

#include "core/drive/ata_self_test_pages.h"
#include "core/drive/nvme_self_test_pages.h"

namespace taruk {

void ReadAtaSelfTests(SmartDevice& device, int position, const std::optional<Page>& identify, const Page& smartData,
                      SelfTestState& state) {
  DecodeAtaSelfTestData(smartData, state);
  const std::span<const uint8_t> identifyPage =
      identify ? std::span<const uint8_t>(*identify) : std::span<const uint8_t>();
  if (AtaHasSelfTestLog(identifyPage, smartData)) {
    if (const std::optional<Page> page = device.SmartReadLog(position, ata::kSelfTestLog)) {
      if (std::optional<std::vector<SelfTestEntry>> entries = DecodeAtaSelfTestLog(*page)) {
        state.log = std::move(*entries);
        state.logRead = true;
      }
    }
  }
  if (AtaHasErrorLog(identifyPage, smartData)) {
    if (const std::optional<Page> page = device.SmartReadLog(position, ata::kSummaryErrorLog)) {
      if (const std::optional<uint32_t> count = DecodeAtaErrorCount(*page)) state.errorCount = count;
    }
  }
}

void ReadNvmeSelfTests(SmartDevice& device, const NvmeIdentifyData& identify, SelfTestState& state) {
  DecodeNvmeSelfTestSupport(identify, state);
  if (!state.shortAndExtended) return;
  if (const std::optional<NvmeSelfTestLogData> log = device.NvmeSelfTestLog()) DecodeNvmeSelfTestLog(*log, state);
}

void StoreNvmeErrorCount(const DriveSlot& slot, SelfTestState& state) {
  if (!slot.nvmeLog) return;
  const uint64_t entries = slot.nvmeLog->errorLogEntries.value;
  state.errorCount = static_cast<uint32_t>(std::min<uint64_t>(entries, std::numeric_limits<uint32_t>::max()));
}

}  // namespace taruk
