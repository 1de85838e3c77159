#include "core/drive/ata_self_test_pages.h"

#include <algorithm>
#include <numeric>

#include "core/base/little_endian.h"
#include "core/drive/smart_device.h"

namespace taruk {

namespace {

// SMART READ DATA.
constexpr std::size_t kExecutionStatus = 363;
constexpr std::size_t kCapabilities = 367;
constexpr std::size_t kErrorLogging = 370;
constexpr std::size_t kShortPolling = 372;
constexpr std::size_t kExtendedPolling = 373;
constexpr std::size_t kConveyancePolling = 374;
constexpr std::size_t kExtendedPollingWord = 375;
constexpr uint8_t kSelfTestBit = 1 << 4;
constexpr uint8_t kConveyanceBit = 1 << 5;
// A drive whose extended test takes longer than 254 minutes says so here
// and gives the time in the word behind.
constexpr uint8_t kPollingInWord = 0xFF;
constexpr uint8_t kRunning = 0xF;

// IDENTIFY: command set words, valid when their top two bits are 01b.
constexpr std::size_t kCommandSetWords[] = {84, 87};
constexpr uint16_t kErrorLogBit = 1 << 0;
constexpr uint16_t kSelfTestLogBit = 1 << 1;

// Self-test log.
constexpr std::size_t kDescriptorCount = 21;
constexpr std::size_t kFirstDescriptor = 2;
constexpr std::size_t kDescriptorSize = 24;
constexpr std::size_t kSelfTestIndex = 508;
constexpr uint32_t kNoLba = 0xFFFFFFFF;

// Summary error log.
constexpr std::size_t kErrorIndex = 1;
constexpr std::size_t kErrorStructures = 5;
constexpr std::size_t kErrorCount = 452;

bool IdentifyWordHas(std::span<const uint8_t> identify, uint16_t bit) {
  if (identify.size() != kPageSize) return false;
  for (const std::size_t word : kCommandSetWords) {
    const uint16_t value = static_cast<uint16_t>(ReadLittleEndian(identify.subspan(2 * word, 2)));
    if ((value & 0xC000) == 0x4000 && (value & bit)) return true;
  }
  return false;
}

bool ErrorLoggingBit(std::span<const uint8_t> smartData) {
  return smartData.size() == kPageSize && (smartData[kErrorLogging] & 1);
}

bool CheckPage(std::span<const uint8_t> page, const char* name, std::string* error) {
  const char* why = nullptr;
  if (page.size() != kPageSize) {
    why = "is not one 512-byte sector";
  } else if (!AtaPageChecksumGood(page)) {
    why = "has a bad checksum";
  }
  if (why && error) *error = std::string("the ") + name + " " + why;
  return why == nullptr;
}

SelfTestKind KindOf(uint8_t subcommand) {
  // A test run in captive mode is logged with bit 7 set; it is the same test.
  switch (subcommand & 0x7F) {
    case 0:
      return SelfTestKind::Offline;
    case 1:
      return SelfTestKind::Short;
    case 2:
      return SelfTestKind::Extended;
    case 3:
      return SelfTestKind::Conveyance;
    case 4:
      return SelfTestKind::Selective;
    default:
      return SelfTestKind::Vendor;
  }
}

}  // namespace

uint8_t AtaSelfTestSubcommand(SelfTestRequest request) {
  switch (request) {
    case SelfTestRequest::Short:
      return ata::kShortSelfTest;
    case SelfTestRequest::Extended:
      return ata::kExtendedSelfTest;
    case SelfTestRequest::Conveyance:
      return ata::kConveyanceSelfTest;
    case SelfTestRequest::Abort:
      break;
  }
  return ata::kAbortSelfTest;
}

void DecodeAtaSelfTestData(std::span<const uint8_t> smartData, SelfTestState& state) {
  if (smartData.size() != kPageSize) return;
  state.known = true;
  const uint8_t capabilities = smartData[kCapabilities];
  state.shortAndExtended = capabilities & kSelfTestBit;
  state.conveyance = capabilities & kConveyanceBit;
  state.shortMinutes = smartData[kShortPolling];
  state.extendedMinutes = smartData[kExtendedPolling] == kPollingInWord
                              ? static_cast<uint32_t>(ReadLittleEndian(smartData.subspan(kExtendedPollingWord, 2)))
                              : smartData[kExtendedPolling];
  state.conveyanceMinutes = smartData[kConveyancePolling];
  const uint8_t status = smartData[kExecutionStatus] >> 4;
  state.executionStatus = status;
  state.running = status == kRunning;
  // The low nibble counts tenths still to go; a drive that reports more
  // than nine has not begun.
  const unsigned remaining = std::min(smartData[kExecutionStatus] & 0x0F, 10);
  state.percentDone = state.running ? static_cast<uint8_t>(100 - 10 * remaining) : 0;
  state.runningKind.reset();
}

bool AtaHasSelfTestLog(std::span<const uint8_t> identify, std::span<const uint8_t> smartData) {
  return IdentifyWordHas(identify, kSelfTestLogBit) || ErrorLoggingBit(smartData);
}

bool AtaHasErrorLog(std::span<const uint8_t> identify, std::span<const uint8_t> smartData) {
  return IdentifyWordHas(identify, kErrorLogBit) || ErrorLoggingBit(smartData);
}

bool AtaPageChecksumGood(std::span<const uint8_t> page) {
  return static_cast<uint8_t>(std::accumulate(page.begin(), page.end(), 0u)) == 0;
}

std::optional<std::vector<SelfTestEntry>> DecodeAtaSelfTestLog(std::span<const uint8_t> page, std::string* error) {
  if (!CheckPage(page, "self-test log", error)) return std::nullopt;
  const uint8_t index = page[kSelfTestIndex];
  if (index > kDescriptorCount) {
    if (error) *error = "the self-test log's index (" + std::to_string(index) + ") is past its 21 entries";
    return std::nullopt;
  }
  std::vector<SelfTestEntry> entries;
  if (index == 0) return entries;
  // A ring of 21 descriptors; the newest is at the index, the older ones
  // before it, wrapping round from the first to the last.
  for (std::size_t step = 0; step < kDescriptorCount; ++step) {
    const std::size_t slot = (index - 1 + kDescriptorCount - step) % kDescriptorCount;
    const std::span<const uint8_t> descriptor =
        page.subspan(kFirstDescriptor + kDescriptorSize * slot, kDescriptorSize);
    // A descriptor never written is all zeros; an off-line run (subcommand
    // 0) that passed at hour 0 would look the same, and tells nothing either.
    if (std::all_of(descriptor.begin(), descriptor.end(), [](uint8_t b) { return b == 0; })) continue;
    SelfTestEntry entry;
    entry.kind = KindOf(descriptor[0]);
    entry.code = descriptor[1] >> 4;
    entry.result = AtaSelfTestResult(entry.code);
    entry.powerOnHours = ReadLittleEndian(descriptor.subspan(2, 2));
    const uint32_t lba = static_cast<uint32_t>(ReadLittleEndian(descriptor.subspan(5, 4)));
    if (entry.result == SelfTestResult::Failed && lba != kNoLba) entry.failingLba = lba;
    entries.push_back(entry);
  }
  return entries;
}

std::optional<uint32_t> DecodeAtaErrorCount(std::span<const uint8_t> page, std::string* error) {
  if (!CheckPage(page, "error log", error)) return std::nullopt;
  if (page[kErrorIndex] > kErrorStructures) {
    if (error) *error = "the error log's index (" + std::to_string(page[kErrorIndex]) + ") is past its 5 entries";
    return std::nullopt;
  }
  return static_cast<uint32_t>(ReadLittleEndian(page.subspan(kErrorCount, 2)));
}

}  // namespace taruk
