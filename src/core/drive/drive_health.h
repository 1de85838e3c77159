#pragma once
// A drive's health in one word, with the reasons for it: the verdict a user
// looks for before a drive loses data. A plain function of the drive's own
// values, so that every place that shows or exports it agrees.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/drive/drive_slot.h"

namespace taruk {

// Good, caution and bad in order of worsening; unknown stands apart (nothing
// could be read, so nothing can be said).
enum class HealthVerdict { Good, Caution, Bad, Unknown };

struct HealthReason {
  std::wstring text;
  int attributeEntry = -1;                        // the slot's attribute entry behind it, -1 for none
  HealthVerdict weight = HealthVerdict::Caution;  // what this reason alone makes of the drive
};

// The counted values whose rise is a worsening even when the verdict stays:
// reallocated sectors, reallocation events, pending sectors and offline
// uncorrectable sectors for an ATA drive; media errors first for NVMe; the
// total of uncorrected errors, then grown defects, for a SCSI disk; then
// the count of the ATA error log, and the power-on hour (plus one) of the
// standing failed self-test, so that a newer failure speaks again.
using HealthCounts = std::array<uint64_t, 6>;
constexpr std::size_t kScsiUncorrectedCount = 0;
constexpr std::size_t kScsiGrownDefectCount = 1;
constexpr std::size_t kErrorLogCount = 4;
constexpr std::size_t kSelfTestFailureHour = 5;

struct DriveHealth {
  HealthVerdict verdict = HealthVerdict::Unknown;
  std::vector<HealthReason> reasons;  // failing now first, then counts, then past failures
  HealthCounts counts{};
};

// The verdict reasons add up to: the heaviest of them, good for none.
HealthVerdict Heaviest(const std::vector<HealthReason>& reasons);

// "good", "caution", "bad", "unknown".
const wchar_t* HealthVerdictText(HealthVerdict verdict);

// The verdict of an ATA drive from its stored attributes:
// - bad: an attribute with a valid threshold whose current value is at or
//   below it;
// - caution: an attribute whose worst value was at or below its threshold,
//   or a non-zero count of reallocated sectors (5), reallocation events
//   (196), pending sectors (197) or offline uncorrectable sectors (198);
// - unknown when no attribute was ever stored.
DriveHealth AtaHealth(const DriveSlot& slot);

// The count in an attribute's raw field: its low 16 bits. Drives keep other
// vendor data in the bytes above (see doc/user-manual.md).
uint32_t RawCount(const SmartAttributeEntry& entry);

// The fields of an NVMe drive's health log that the verdict needs.
struct NvmeHealthFields {
  uint8_t criticalWarning = 0;  // bit 0 spare, 1 temperature, 2 reliability, 3 read-only, 4 volatile backup
  uint8_t percentageUsed = 0;   // may exceed 100
  uint64_t mediaErrors = 0;     // the 128-bit counter, saturated
};

// bad: spare below threshold, reliability degraded, read-only or volatile
// backup failed; caution: the temperature warning, 100 % or more used, or
// media errors.
DriveHealth NvmeHealth(const NvmeHealthFields& fields);

}  // namespace taruk
