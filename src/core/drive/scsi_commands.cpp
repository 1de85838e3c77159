#include "core/drive/scsi_commands.h"

#include <algorithm>

namespace taruk {

namespace {

uint64_t BigEndian(std::span<const uint8_t> bytes) {
  uint64_t value = 0;
  for (const uint8_t byte : bytes) value = value << 8 | byte;
  return value;
}

std::string Text(std::span<const uint8_t> data, std::size_t offset, std::size_t length) {
  std::string text;
  for (std::size_t i = offset; i < offset + length && i < data.size() && data[i] != 0; ++i) {
    text.push_back(static_cast<char>(data[i]));
  }
  return text;
}

constexpr uint8_t kDirectAccess = 0x00;
constexpr uint8_t kSimplifiedDirectAccess = 0x0E;
constexpr std::size_t kInquiryRevisionEnd = 36;

}  // namespace

ScsiCdb InquiryCdb(uint16_t allocation) {
  return {scsi::kInquiry, 0, 0, static_cast<uint8_t>(allocation >> 8), static_cast<uint8_t>(allocation), 0};
}

ScsiCdb InquiryVpdCdb(uint8_t vpdPage, uint16_t allocation) {
  return {scsi::kInquiry, 0x01, vpdPage, static_cast<uint8_t>(allocation >> 8), static_cast<uint8_t>(allocation), 0};
}

ScsiCdb ReadCapacity10Cdb() {
  ScsiCdb cdb(10, 0);
  cdb[0] = scsi::kReadCapacity10;
  return cdb;
}

ScsiCdb ReadCapacity16Cdb(uint32_t allocation) {
  ScsiCdb cdb(16, 0);
  cdb[0] = scsi::kServiceActionIn16;
  cdb[1] = scsi::kReadCapacity16Action;
  for (int i = 0; i < 4; ++i) cdb[10 + i] = static_cast<uint8_t>(allocation >> (24 - 8 * i));
  return cdb;
}

ScsiCdb LogSenseCdb(uint8_t page, uint8_t subpage, uint16_t allocation) {
  // Page control 01b: the cumulative values, which a power cycle keeps.
  constexpr uint8_t kCumulative = 0x40;
  return {scsi::kLogSense,
          0,
          static_cast<uint8_t>(kCumulative | (page & 0x3F)),
          subpage,
          0,
          0,
          0,
          static_cast<uint8_t>(allocation >> 8),
          static_cast<uint8_t>(allocation),
          0};
}

namespace {
// DBD: the block descriptors say nothing the pass needs; a drive may still
// send them, and the decoder steps over them.
constexpr uint8_t kDisableBlockDescriptors = 0x08;
}  // namespace

ScsiCdb ModeSense10Cdb(uint8_t page, uint16_t allocation) {
  // Page control 00b: the current values.
  return {scsi::kModeSense10,
          kDisableBlockDescriptors,
          static_cast<uint8_t>(page & 0x3F),
          0,
          0,
          0,
          0,
          static_cast<uint8_t>(allocation >> 8),
          static_cast<uint8_t>(allocation),
          0};
}

ScsiCdb ModeSense6Cdb(uint8_t page, uint8_t allocation) {
  return {scsi::kModeSense6, kDisableBlockDescriptors, static_cast<uint8_t>(page & 0x3F), 0, allocation, 0};
}

ScsiCdb RequestSenseCdb(uint8_t allocation) { return {scsi::kRequestSense, 0, 0, 0, allocation, 0}; }

namespace {
// REQ_GLIST with the long block format (3): eight bytes per entry.
constexpr uint8_t kGrownListLongBlocks = 0x08 | 0x03;
}  // namespace

ScsiCdb ReadDefectData12Cdb(uint32_t allocation) {
  ScsiCdb cdb(12, 0);
  cdb[0] = scsi::kReadDefectData12;
  cdb[1] = kGrownListLongBlocks;
  for (int i = 0; i < 4; ++i) cdb[6 + i] = static_cast<uint8_t>(allocation >> (24 - 8 * i));
  return cdb;
}

ScsiCdb ReadDefectData10Cdb(uint16_t allocation) {
  ScsiCdb cdb(10, 0);
  cdb[0] = scsi::kReadDefectData10;
  cdb[2] = kGrownListLongBlocks;
  cdb[7] = static_cast<uint8_t>(allocation >> 8);
  cdb[8] = static_cast<uint8_t>(allocation);
  return cdb;
}

ScsiCdb SendDiagnosticCdb(ScsiSelfTestCode code) {
  // No parameter list, and the SelfTest bit clear, as a self-test code asks.
  return {scsi::kSendDiagnostic, static_cast<uint8_t>(static_cast<uint8_t>(code) << 5), 0, 0, 0, 0};
}

std::size_t DataInLength(std::span<const uint8_t> cdb) {
  if (cdb.empty()) return 0;
  switch (cdb[0]) {
    case scsi::kRequestSense:
    case scsi::kModeSense6:
      return cdb.size() == 6 ? cdb[4] : 0;
    case scsi::kModeSense10:
      return cdb.size() == 10 ? static_cast<std::size_t>(BigEndian(cdb.subspan(7, 2))) : 0;
    case scsi::kInquiry:
      return cdb.size() == 6 ? static_cast<std::size_t>(BigEndian(cdb.subspan(3, 2))) : 0;
    case scsi::kReadCapacity10:
      return cdb.size() == 10 ? 8 : 0;
    case scsi::kLogSense:
      return cdb.size() == 10 ? static_cast<std::size_t>(BigEndian(cdb.subspan(7, 2))) : 0;
    case scsi::kServiceActionIn16:
      return cdb.size() == 16 ? static_cast<std::size_t>(BigEndian(cdb.subspan(10, 4))) : 0;
    case scsi::kReadDefectData10:
      return cdb.size() == 10 ? static_cast<std::size_t>(BigEndian(cdb.subspan(7, 2))) : 0;
    case scsi::kReadDefectData12:
      return cdb.size() == 12 ? static_cast<std::size_t>(BigEndian(cdb.subspan(6, 4))) : 0;
    default:
      return 0;
  }
}

std::optional<ScsiInquiry> DecodeInquiry(std::span<const uint8_t> data) {
  constexpr std::size_t kProductEnd = 32;
  if (data.size() < kProductEnd) return std::nullopt;
  ScsiInquiry inquiry;
  inquiry.deviceType = data[0] & 0x1F;
  inquiry.connected = (data[0] >> 5) == 0;
  inquiry.vendor = Text(data, 8, 8);
  inquiry.product = Text(data, 16, 16);
  inquiry.revision = Text(data, 32, kInquiryRevisionEnd - 32);
  return inquiry;
}

bool IsReadableDisk(const ScsiInquiry& inquiry) {
  return inquiry.connected && (inquiry.deviceType == kDirectAccess || inquiry.deviceType == kSimplifiedDirectAccess);
}

std::string DecodeUnitSerialNumber(std::span<const uint8_t> data) {
  if (data.size() < 4 || data[1] != scsi::kUnitSerialNumberPage) return {};
  const std::size_t length = BigEndian(data.subspan(2, 2));
  if (4 + length > data.size()) return {};
  return Text(data, 4, length);
}

std::optional<ScsiCapacity> DecodeReadCapacity10(std::span<const uint8_t> data) {
  if (data.size() < 8) return std::nullopt;
  const uint64_t last = BigEndian(data.subspan(0, 4));
  const uint32_t length = static_cast<uint32_t>(BigEndian(data.subspan(4, 4)));
  if (last == 0xFFFFFFFFu || length == 0) return std::nullopt;
  return ScsiCapacity{last + 1, length};
}

std::optional<ScsiCapacity> DecodeReadCapacity16(std::span<const uint8_t> data) {
  if (data.size() < 12) return std::nullopt;
  const uint64_t last = BigEndian(data.subspan(0, 8));
  const uint32_t length = static_cast<uint32_t>(BigEndian(data.subspan(8, 4)));
  if (last == UINT64_MAX || length == 0) return std::nullopt;
  return ScsiCapacity{last + 1, length};
}

std::optional<ScsiSenseCode> DecodeSense(std::span<const uint8_t> data) {
  if (data.empty()) return std::nullopt;
  const uint8_t responseCode = data[0] & 0x7F;
  if ((responseCode == 0x70 || responseCode == 0x71) && data.size() >= 14) {
    return ScsiSenseCode{static_cast<uint8_t>(data[2] & 0x0F), data[12], data[13]};
  }
  if ((responseCode == 0x72 || responseCode == 0x73) && data.size() >= 4) {
    return ScsiSenseCode{static_cast<uint8_t>(data[1] & 0x0F), data[2], data[3]};
  }
  return std::nullopt;
}

std::optional<bool> DecodeSenseStandby(std::span<const uint8_t> data) {
  const std::optional<ScsiSenseCode> sense = DecodeSense(data);
  if (!sense) return std::nullopt;
  constexpr uint8_t kNoSense = 0x0;
  constexpr uint8_t kNotReady = 0x2;
  constexpr uint8_t kLowPowerCondition = 0x5E;
  // A unit stopped by START STOP UNIT (as the system spins a disk down)
  // waits for an initializing command: asleep too.
  if (sense->senseKey == kNotReady) return sense->asc == 0x04 && sense->ascq == 0x02;
  if (sense->senseKey != kNoSense || sense->asc != kLowPowerCondition) return false;
  switch (sense->ascq) {
    case 0x00:  // low power condition on, which says no more
    case 0x02:  // standby condition activated by timer
    case 0x04:  // standby condition activated by command
    case 0x09:  // standby_y condition activated by timer
    case 0x0A:  // standby_y condition activated by command
      return true;
    default:  // the idle conditions: the disk still answers at once
      return false;
  }
}

std::optional<uint8_t> DecodeSenseProgress(std::span<const uint8_t> data) {
  const std::optional<ScsiSenseCode> sense = DecodeSense(data);
  if (!sense) return std::nullopt;
  constexpr uint8_t kNoSense = 0x0;
  constexpr uint8_t kNotReady = 0x2;
  const bool selfTestInProgress = sense->senseKey == kNotReady && sense->asc == 0x04 && sense->ascq == 0x09;
  if (sense->senseKey != kNoSense && !selfTestInProgress) return std::nullopt;
  // The sense-key specific bytes: SKSV in the top bit, then the progress
  // as a fraction of 65536.
  std::span<const uint8_t> specific;
  if ((data[0] & 0x7F) <= 0x71) {
    if (data.size() >= 18) specific = data.subspan(15, 3);
  } else {
    constexpr uint8_t kSenseKeySpecificDescriptor = 0x02;
    const std::size_t end = data.size() >= 8 ? std::min<std::size_t>(data.size(), 8 + std::size_t{data[7]}) : 0;
    for (std::size_t at = 8; at + 2 <= end; at += 2 + std::size_t{data[at + 1]}) {
      // A descriptor runs whole within the sense data, or is not taken.
      const std::size_t length = data[at + 1];
      if (data[at] == kSenseKeySpecificDescriptor && length >= 6 && at + 2 + length <= end) {
        specific = data.subspan(at + 4, 3);
        break;
      }
    }
  }
  if (specific.size() < 3 || !(specific[0] & 0x80)) return std::nullopt;
  const uint32_t progress = static_cast<uint32_t>(specific[1]) << 8 | specific[2];
  return static_cast<uint8_t>(progress * 100 / 65536);
}

std::optional<uint32_t> DecodeGrownDefectCount(std::span<const uint8_t> data, bool twelve) {
  const std::size_t header = twelve ? 8 : 4;
  if (data.size() < header) return std::nullopt;
  constexpr uint8_t kListsValid = 0x18;
  constexpr uint8_t kGrownListValid = 0x08;
  if ((data[1] & kListsValid) != kGrownListValid) return std::nullopt;
  const uint64_t length = twelve ? BigEndian(data.subspan(4, 4)) : BigEndian(data.subspan(2, 2));
  // The format the drive chose, which need not be the one asked for.
  switch (data[1] & 0x07) {
    case 0:  // short block: four bytes an entry
      return static_cast<uint32_t>(length / 4);
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
      return static_cast<uint32_t>(length / 8);
    default:  // vendor-specific or reserved
      return std::nullopt;
  }
}

}  // namespace taruk
