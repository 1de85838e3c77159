#include "core/drive/nvme_health_log.h"

#include <limits>

namespace taruk {

namespace {

uint64_t Little(std::span<const uint8_t> page, std::size_t offset, std::size_t length) {
  uint64_t value = 0;
  for (std::size_t i = length; i-- > 0;) value = value << 8 | page[offset + i];
  return value;
}

NvmeCounter Counter(std::span<const uint8_t> page, std::size_t offset) {
  const uint64_t low = Little(page, offset, 8);
  const uint64_t high = Little(page, offset + 8, 8);
  if (high != 0) return {std::numeric_limits<uint64_t>::max(), true};
  return {low, false};
}

}  // namespace

std::optional<NvmeHealthLog> DecodeNvmeHealthLog(std::span<const uint8_t> page) {
  if (page.size() != kNvmeHealthLogSize) return std::nullopt;
  NvmeHealthLog log;
  log.criticalWarning = page[0];
  log.compositeTemperatureKelvin = static_cast<uint16_t>(Little(page, 1, 2));
  log.availableSpare = page[3];
  log.availableSpareThreshold = page[4];
  log.percentageUsed = page[5];
  log.enduranceGroupWarning = page[6];
  NvmeCounter* const counters[] = {
      &log.dataUnitsRead, &log.dataUnitsWritten, &log.hostReadCommands, &log.hostWriteCommands, &log.controllerBusyTime,
      &log.powerCycles,   &log.powerOnHours,     &log.unsafeShutdowns,  &log.mediaErrors,       &log.errorLogEntries};
  std::size_t offset = 32;
  for (NvmeCounter* counter : counters) {
    *counter = Counter(page, offset);
    offset += 16;
  }
  log.warningTemperatureMinutes = static_cast<uint32_t>(Little(page, 192, 4));
  log.criticalTemperatureMinutes = static_cast<uint32_t>(Little(page, 196, 4));
  for (std::size_t i = 0; i < log.temperatureSensorsKelvin.size(); ++i) {
    log.temperatureSensorsKelvin[i] = static_cast<uint16_t>(Little(page, 200 + 2 * i, 2));
  }
  for (std::size_t i = 0; i < 2; ++i) {
    log.thermalTransitions[i] = static_cast<uint32_t>(Little(page, 216 + 4 * i, 4));
    log.thermalManagementSeconds[i] = static_cast<uint32_t>(Little(page, 224 + 4 * i, 4));
  }
  return log;
}

uint32_t NvmeTemperatureCelsius(uint16_t kelvin) {
  constexpr uint16_t kZeroCelsius = 273;
  if (kelvin <= kZeroCelsius) return 0;
  const auto celsius = static_cast<uint32_t>(kelvin - kZeroCelsius);
  return celsius <= kHottestNvmeCelsius ? celsius : 0;
}

uint32_t NvmeWorkHours(const NvmeHealthLog& log) {
  constexpr uint64_t kMost = std::numeric_limits<uint32_t>::max();
  return static_cast<uint32_t>(log.powerOnHours.value < kMost ? log.powerOnHours.value : kMost);
}

void StoreNvmeHealthLog(const NvmeHealthLog& log, DriveSlot& slot) {
  slot.temperature = NvmeTemperatureCelsius(log.compositeTemperatureKelvin);
  slot.powerOnHours = NvmeWorkHours(log);
  slot.bus = DriveBus::Nvme;
  slot.nvmeLog = log;
}

NvmeHealthFields NvmeHealthFieldsOf(const NvmeHealthLog& log) {
  return {log.criticalWarning, log.percentageUsed, log.mediaErrors.value};
}

}  // namespace taruk
