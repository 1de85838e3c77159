#include "core/drive/nvme_identify.h"

#include <string>

namespace taruk {

namespace {

// Field places in Identify Controller: serial number, model number, firmware
// revision.
constexpr std::size_t kSerialOffset = 4;
constexpr std::size_t kSerialLength = 20;
constexpr std::size_t kModelOffset = 24;
constexpr std::size_t kModelLength = 40;
constexpr std::size_t kFirmwareOffset = 64;
constexpr std::size_t kFirmwareLength = 8;

// Unlike ATA, NVMe keeps its texts in reading order: no byte swap. A full
// field has no terminator and must not run into the next one.
std::wstring TakeText(std::span<const uint8_t> data, std::size_t offset, std::size_t length) {
  std::wstring text;
  for (std::size_t i = offset; i < offset + length && data[i] != 0; ++i) text.push_back(static_cast<wchar_t>(data[i]));
  return text;
}

}  // namespace

bool DecodeNvmeIdentify(std::span<const uint8_t> data, DriveSlot& slot) {
  if (data.size() != kNvmeIdentifySize) return false;
  slot.model = TakeText(data, kModelOffset, kModelLength);
  slot.firmware = TakeText(data, kFirmwareOffset, kFirmwareLength);
  slot.serialNumber = TakeText(data, kSerialOffset, kSerialLength);
  return true;
}

}  // namespace taruk
