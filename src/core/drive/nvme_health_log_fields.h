#pragma once
// The fields of an NVMe drive's SMART / Health Information log page (log
// 02h), as the drive wrote them. Kept apart from the decoder so that the
// drive slot can hold the last page read.

#include <array>
#include <cstddef>
#include <cstdint>

namespace taruk {

// The log page is always this long.
constexpr std::size_t kNvmeHealthLogSize = 512;

// One of the log's 128-bit counters. No drive gets past 64 bits in practice,
// but a corrupt page can: the value then stops at the largest uint64 instead
// of wrapping to a small number, and `saturated` says so.
struct NvmeCounter {
  uint64_t value = 0;
  bool saturated = false;
  friend bool operator==(const NvmeCounter&, const NvmeCounter&) = default;
};

// Critical warning bits.
namespace nvme_warning {
constexpr uint8_t kSpareBelowThreshold = 1 << 0;
constexpr uint8_t kTemperature = 1 << 1;
constexpr uint8_t kReliabilityDegraded = 1 << 2;
constexpr uint8_t kReadOnly = 1 << 3;
constexpr uint8_t kVolatileBackupFailed = 1 << 4;
}  // namespace nvme_warning

// Every field of the log, in the order of the page, as the drive wrote it.
struct NvmeHealthLog {
  uint8_t criticalWarning = 0;                         // byte 0, the bits above
  uint16_t compositeTemperatureKelvin = 0;             // bytes 1-2
  uint8_t availableSpare = 0;                          // byte 3, percent
  uint8_t availableSpareThreshold = 0;                 // byte 4, percent
  uint8_t percentageUsed = 0;                          // byte 5, may exceed 100
  uint8_t enduranceGroupWarning = 0;                   // byte 6, summary of the endurance groups' warnings
  NvmeCounter dataUnitsRead;                           // bytes 32-47, thousands of 512-byte units
  NvmeCounter dataUnitsWritten;                        // bytes 48-63
  NvmeCounter hostReadCommands;                        // bytes 64-79
  NvmeCounter hostWriteCommands;                       // bytes 80-95
  NvmeCounter controllerBusyTime;                      // bytes 96-111, minutes
  NvmeCounter powerCycles;                             // bytes 112-127
  NvmeCounter powerOnHours;                            // bytes 128-143
  NvmeCounter unsafeShutdowns;                         // bytes 144-159
  NvmeCounter mediaErrors;                             // bytes 160-175, media and data integrity errors
  NvmeCounter errorLogEntries;                         // bytes 176-191, error information log entries
  uint32_t warningTemperatureMinutes = 0;              // bytes 192-195
  uint32_t criticalTemperatureMinutes = 0;             // bytes 196-199
  std::array<uint16_t, 8> temperatureSensorsKelvin{};  // bytes 200-215, 0 = no such sensor
  std::array<uint32_t, 2> thermalTransitions{};        // bytes 216-223, management temperatures 1 and 2
  std::array<uint32_t, 2> thermalManagementSeconds{};  // bytes 224-231
  friend bool operator==(const NvmeHealthLog&, const NvmeHealthLog&) = default;
};

}  // namespace taruk
