#include "core/drive/scsi_self_test_page.h"

#include <algorithm>

#include "core/drive/scsi_log_pages.h"

namespace taruk {

namespace {

constexpr uint16_t kFirstResult = 0x0001;
constexpr uint16_t kLastResult = 0x0014;
constexpr std::size_t kMostResults = kLastResult;
constexpr std::size_t kResultLength = 0x10;
constexpr uint64_t kNoFailingAddress = UINT64_MAX;

// The self-test code a result was started with (bits 7-5 of its first
// byte): background and foreground forms of the same test are one kind.
SelfTestKind KindOf(uint8_t code) {
  switch (code) {
    case 1:
    case 5:
      return SelfTestKind::Short;
    case 2:
    case 6:
      return SelfTestKind::Extended;
    default:  // 0 the default self-test, the rest reserved
      return SelfTestKind::Vendor;
  }
}

}  // namespace

std::optional<ScsiSelfTestCode> ScsiSelfTestCodeFor(SelfTestRequest request) {
  switch (request) {
    case SelfTestRequest::Short:
      return ScsiSelfTestCode::BackgroundShort;
    case SelfTestRequest::Extended:
      return ScsiSelfTestCode::BackgroundExtended;
    case SelfTestRequest::Abort:
      return ScsiSelfTestCode::AbortBackground;
    case SelfTestRequest::Conveyance:
      break;
  }
  return std::nullopt;
}

bool DecodeScsiSelfTestPage(std::span<const uint8_t> data, SelfTestState& state) {
  const auto parameters = LogParameters(data, scsi_page::kSelfTestResults);
  if (!parameters) return false;
  state.log.clear();
  state.running = false;
  state.runningKind.reset();
  state.percentDone = 0;
  for (const LogParameter& parameter : *parameters) {
    const std::span<const uint8_t> value = parameter.value;
    if (state.log.size() == kMostResults) break;
    if (parameter.code < kFirstResult || parameter.code > kLastResult || value.size() < kResultLength) continue;
    // A slot never written: no code, no result, no time stamp.
    if (value[0] == 0 && value[2] == 0 && value[3] == 0) continue;
    SelfTestEntry entry;
    entry.kind = KindOf(value[0] >> 5);
    entry.code = value[0] & 0x0F;
    entry.result = ScsiSelfTestResult(entry.code);
    entry.powerOnHours = LogCounter(value.subspan(2, 2));
    if (entry.code == 7) entry.failedSegment = value[1];
    const uint64_t address = LogCounter(value.subspan(4, 8));
    if (entry.result == SelfTestResult::Failed && address != kNoFailingAddress) entry.failingLba = address;
    const uint32_t sense = static_cast<uint32_t>(value[12] & 0x0F) << 16 | uint32_t{value[13]} << 8 | value[14];
    if (sense != 0) entry.sense = sense;
    if (entry.result == SelfTestResult::Running && state.log.empty()) {
      state.running = true;
      state.runningKind = entry.kind;
    }
    state.log.push_back(entry);
  }
  state.logRead = true;
  return true;
}

std::optional<uint32_t> DecodeExtendedSelfTestSeconds(std::span<const uint8_t> data, bool ten) {
  const std::size_t header = ten ? 8 : 4;
  if (data.size() < header) return std::nullopt;
  // The mode data length counts the bytes after itself; a drive may say more
  // than the allocation let through.
  const std::size_t modeData = ten ? (std::size_t{data[0]} << 8 | data[1]) + 2 : std::size_t{data[0]} + 1;
  const std::size_t descriptors = ten ? (std::size_t{data[6]} << 8 | data[7]) : data[3];
  const std::size_t end = std::min(data.size(), modeData);
  const std::size_t page = header + descriptors;
  constexpr std::size_t kTimeAt = 10;
  constexpr uint8_t kSubpageFormat = 0x40;
  if (page + kTimeAt + 2 > end) return std::nullopt;
  if ((data[page] & 0x3F) != scsi::kControlModePage || (data[page] & kSubpageFormat)) return std::nullopt;
  if (data[page + 1] < kTimeAt) return std::nullopt;  // an older page, without the time
  const uint32_t seconds = static_cast<uint32_t>(data[page + kTimeAt]) << 8 | data[page + kTimeAt + 1];
  if (seconds == 0) return std::nullopt;
  return seconds;
}

uint32_t SelfTestMinutes(uint32_t seconds) { return (seconds + 59) / 60; }

}  // namespace taruk
