#include "core/drive/scsi_log_pages.h"

#include <algorithm>

namespace taruk {

namespace {

constexpr std::size_t kHeaderSize = 4;
constexpr std::size_t kParameterHeaderSize = 4;
// A temperature byte of FFh is the drive saying it has no reading.
constexpr uint8_t kNoTemperature = 0xFF;

std::optional<uint8_t> Temperature(std::span<const uint8_t> value) {
  if (value.size() < 2 || value[1] == kNoTemperature) return std::nullopt;
  return value[1];
}

std::optional<uint32_t> Counter32(std::span<const uint8_t> value) {
  if (value.size() < 4) return std::nullopt;
  return static_cast<uint32_t>(std::min<uint64_t>(LogCounter(value.first(4)), UINT32_MAX));
}

}  // namespace

std::optional<std::vector<LogParameter>> LogParameters(std::span<const uint8_t> data, uint8_t page) {
  if (data.size() < kHeaderSize || (data[0] & 0x3F) != page) return std::nullopt;
  const std::size_t stated = kHeaderSize + (std::size_t{data[2]} << 8 | data[3]);
  const std::size_t end = std::min(stated, data.size());
  std::vector<LogParameter> parameters;
  std::size_t at = kHeaderSize;
  while (at + kParameterHeaderSize <= end) {
    const std::size_t length = data[at + 3];
    if (at + kParameterHeaderSize + length > end) break;
    parameters.push_back(
        {static_cast<uint16_t>(data[at] << 8 | data[at + 1]), data.subspan(at + kParameterHeaderSize, length)});
    at += kParameterHeaderSize + length;
  }
  return parameters;
}

uint64_t LogCounter(std::span<const uint8_t> value) {
  uint64_t counter = 0;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (i + 8 < value.size()) {
      if (value[i] != 0) return UINT64_MAX;
      continue;
    }
    counter = counter << 8 | value[i];
  }
  return counter;
}

bool DecodeSupportedPages(std::span<const uint8_t> data, ScsiHealth& health) {
  // The page lists one byte per page instead of parameters.
  if (data.size() < kHeaderSize || (data[0] & 0x3F) != scsi_page::kSupportedPages) return false;
  const std::size_t end = std::min(kHeaderSize + (std::size_t{data[2]} << 8 | data[3]), data.size());
  health.supportedPages.clear();
  for (std::size_t i = kHeaderSize; i < end; ++i) health.supportedPages.push_back(data[i] & 0x3F);
  return true;
}

bool DecodeTemperaturePage(std::span<const uint8_t> data, ScsiHealth& health) {
  const auto parameters = LogParameters(data, scsi_page::kTemperature);
  if (!parameters) return false;
  for (const LogParameter& parameter : *parameters) {
    if (parameter.code == 0x0000) health.temperature = Temperature(parameter.value);
    if (parameter.code == 0x0001) health.referenceTemperature = Temperature(parameter.value);
  }
  return true;
}

bool DecodeInformationalExceptions(std::span<const uint8_t> data, ScsiHealth& health) {
  const auto parameters = LogParameters(data, scsi_page::kInformationalExceptions);
  if (!parameters) return false;
  for (const LogParameter& parameter : *parameters) {
    if (parameter.code != 0x0000 || parameter.value.size() < 2) continue;
    health.exceptionAsc = parameter.value[0];
    health.exceptionAscq = parameter.value[1];
    // The latest temperature stands in for a drive without page 0Dh.
    if (!health.temperature && parameter.value.size() >= 3 && parameter.value[2] != kNoTemperature) {
      health.temperature = parameter.value[2];
    }
  }
  return true;
}

bool DecodeStartStopCycles(std::span<const uint8_t> data, ScsiHealth& health) {
  const auto parameters = LogParameters(data, scsi_page::kStartStopCycles);
  if (!parameters) return false;
  for (const LogParameter& parameter : *parameters) {
    const std::optional<uint32_t> count = Counter32(parameter.value);
    if (!count) continue;  // dates, vendor parameters, and counters cut short
    switch (parameter.code) {
      case 0x0003:
        health.specifiedStartStops = count;
        break;
      case 0x0004:
        health.startStops = count;
        break;
      case 0x0005:
        health.specifiedLoadUnloads = count;
        break;
      case 0x0006:
        health.loadUnloads = count;
        break;
      default:
        break;
    }
  }
  return true;
}

bool DecodeErrorCounterPage(std::span<const uint8_t> data, uint8_t page, ScsiHealth& health) {
  std::optional<uint64_t>* field = page == scsi_page::kReadErrors     ? &health.readUncorrected
                                   : page == scsi_page::kWriteErrors  ? &health.writeUncorrected
                                   : page == scsi_page::kVerifyErrors ? &health.verifyUncorrected
                                                                      : nullptr;
  if (!field) return false;
  const auto parameters = LogParameters(data, page);
  if (!parameters) return false;
  constexpr uint16_t kTotalUncorrected = 0x0006;
  for (const LogParameter& parameter : *parameters) {
    if (parameter.code == kTotalUncorrected && !parameter.value.empty()) *field = LogCounter(parameter.value);
  }
  return true;
}

bool DecodeNonMediumErrors(std::span<const uint8_t> data, ScsiHealth& health) {
  const auto parameters = LogParameters(data, scsi_page::kNonMediumErrors);
  if (!parameters) return false;
  for (const LogParameter& parameter : *parameters) {
    if (parameter.code == 0x0000 && !parameter.value.empty()) health.nonMediumErrors = LogCounter(parameter.value);
  }
  return true;
}

bool DecodeBackgroundScan(std::span<const uint8_t> data, ScsiHealth& health) {
  const auto parameters = LogParameters(data, scsi_page::kBackgroundScan);
  if (!parameters) return false;
  for (const LogParameter& parameter : *parameters) {
    if (parameter.code != 0x0000) continue;
    if (const std::optional<uint32_t> minutes = Counter32(parameter.value)) health.powerOnMinutes = minutes;
  }
  return true;
}

bool Supports(const ScsiHealth& health, uint8_t page) {
  return std::find(health.supportedPages.begin(), health.supportedPages.end(), page) != health.supportedPages.end();
}

}  // namespace taruk
