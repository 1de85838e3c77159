#include "core/drive/nvme_details.h"

namespace taruk {

namespace {

constexpr uint64_t kLargestRaw = (uint64_t{1} << 48) - 1;

std::array<uint8_t, 6> Raw(uint64_t value) {
  if (value > kLargestRaw) value = kLargestRaw;
  std::array<uint8_t, 6> raw{};
  for (uint8_t& byte : raw) {
    byte = static_cast<uint8_t>(value);
    value >>= 8;
  }
  return raw;
}

}  // namespace

std::array<NvmeDetailsEntry, kNvmeDetailsCount> NvmeDetailsEntries(const NvmeHealthLog& log) {
  struct Field {
    const wchar_t* name;
    uint64_t value;
  };
  // The temperature stays in kelvin, as the drive reports it; the panel shows
  // it in degrees.
  const Field fields[kNvmeDetailsCount] = {
      {L"Critical Warning", log.criticalWarning},
      {L"Composite Temperature", log.compositeTemperatureKelvin},
      {L"Available Spare", log.availableSpare},
      {L"Available Spare Threshold", log.availableSpareThreshold},
      {L"Percentage Used", log.percentageUsed},
      {L"Data Units Read", log.dataUnitsRead.value},
      {L"Data Units Written", log.dataUnitsWritten.value},
      {L"Host Read Commands", log.hostReadCommands.value},
      {L"Host Write Commands", log.hostWriteCommands.value},
      {L"Controller Busy Time", log.controllerBusyTime.value},
      {L"Power Cycles", log.powerCycles.value},
      {L"Power On Hours", log.powerOnHours.value},
      {L"Unsafe Shutdowns", log.unsafeShutdowns.value},
      {L"Media and Data Integrity Errors", log.mediaErrors.value},
      {L"Number of Error Information Log Entries", log.errorLogEntries.value},
  };
  std::array<NvmeDetailsEntry, kNvmeDetailsCount> entries;
  for (int i = 0; i < kNvmeDetailsCount; ++i) {
    entries[i].id = static_cast<uint8_t>(i + 1);
    entries[i].name = fields[i].name;
    entries[i].raw = Raw(fields[i].value);
  }
  constexpr int kAvailableSpare = 2;
  entries[kAvailableSpare].value = log.availableSpare;
  entries[kAvailableSpare].threshold = log.availableSpareThreshold;
  return entries;
}

}  // namespace taruk
