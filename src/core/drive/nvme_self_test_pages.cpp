#include "core/drive/nvme_self_test_pages.h"

#include <algorithm>

#include "core/base/little_endian.h"

namespace taruk {

namespace {

constexpr std::size_t kIdentifySize = 4096;
constexpr std::size_t kOacs = 256;
constexpr uint16_t kOacsSelfTest = 1 << 4;
constexpr std::size_t kEdstt = 316;
// NVMe drives are meant to finish a short test within two minutes.
constexpr uint32_t kShortTestMinutes = 2;

constexpr std::size_t kCurrentOperation = 0;
constexpr std::size_t kCurrentCompletion = 1;
constexpr std::size_t kFirstResult = 4;
constexpr std::size_t kResultSize = 28;
constexpr std::size_t kResultCount = 20;
constexpr uint8_t kUnusedEntry = 0xF;
constexpr uint8_t kLbaValid = 1 << 1;

SelfTestKind KindOf(uint8_t code) {
  if (code == nvme::kShortSelfTest) return SelfTestKind::Short;
  if (code == nvme::kExtendedSelfTest) return SelfTestKind::Extended;
  return SelfTestKind::Vendor;
}

}  // namespace

std::optional<uint8_t> NvmeSelfTestCode(SelfTestRequest request) {
  switch (request) {
    case SelfTestRequest::Short:
      return nvme::kShortSelfTest;
    case SelfTestRequest::Extended:
      return nvme::kExtendedSelfTest;
    case SelfTestRequest::Abort:
      return nvme::kAbortSelfTest;
    case SelfTestRequest::Conveyance:
      break;
  }
  return std::nullopt;
}

bool NvmeSelfTestAlreadyRunning(uint32_t status) {
  // Status code type 0 (generic), code 1Dh; the More and Do Not Retry bits
  // above them do not change what it means.
  return (status & 0x7FF) == nvme::kSelfTestInProgress;
}

void DecodeNvmeSelfTestSupport(std::span<const uint8_t> identify, SelfTestState& state) {
  if (identify.size() != kIdentifySize) return;
  state.known = true;
  const uint16_t oacs = static_cast<uint16_t>(ReadLittleEndian(identify.subspan(kOacs, 2)));
  state.shortAndExtended = oacs & kOacsSelfTest;
  state.conveyance = false;
  state.extendedMinutes = static_cast<uint32_t>(ReadLittleEndian(identify.subspan(kEdstt, 2)));
  state.shortMinutes = state.shortAndExtended ? kShortTestMinutes : 0;
  state.conveyanceMinutes = 0;
}

bool DecodeNvmeSelfTestLog(std::span<const uint8_t> log, SelfTestState& state) {
  if (log.size() != kNvmeSelfTestLogSize) return false;
  const uint8_t operation = log[kCurrentOperation] & 0x0F;
  state.running = operation != 0;
  state.runningKind.reset();
  if (state.running) state.runningKind = KindOf(operation);
  // Percent complete: the opposite of ATA's percent remaining.
  state.percentDone = state.running ? static_cast<uint8_t>(std::min(log[kCurrentCompletion] & 0x7F, 100)) : 0;
  state.log.clear();
  for (std::size_t i = 0; i < kResultCount; ++i) {
    const std::span<const uint8_t> result = log.subspan(kFirstResult + kResultSize * i, kResultSize);
    const uint8_t code = result[0] & 0x0F;
    if (code == kUnusedEntry) continue;
    SelfTestEntry entry;
    entry.kind = KindOf(result[0] >> 4);
    entry.code = code;
    entry.result = NvmeSelfTestResult(code);
    entry.powerOnHours = ReadLittleEndian(result.subspan(4, 8));
    if (code == 7) entry.failedSegment = result[1];
    if (entry.result == SelfTestResult::Failed && (result[2] & kLbaValid)) {
      entry.failingLba = ReadLittleEndian(result.subspan(16, 8));
    }
    state.log.push_back(entry);
  }
  state.logRead = true;
  return true;
}

}  // namespace taruk
