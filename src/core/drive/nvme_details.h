#pragma once
// The details list's entries for an NVMe drive: the health log's fields as
// numbered rows, in the order of the log, the way NVMe health tools number
// them.

#include <array>
#include <cstdint>
#include <optional>

#include "core/drive/nvme_health_log.h"

namespace taruk {

constexpr int kNvmeDetailsCount = 15;

// One row. The log keeps no normalised value, threshold or worst for its
// fields, so those stay empty; only Available Spare has a value weighed
// against a threshold of the drive's own, and shows both. No field has a
// worst.
struct NvmeDetailsEntry {
  uint8_t id = 0;  // 1..15
  const wchar_t* name = L"";
  std::optional<uint8_t> value;
  std::optional<uint8_t> threshold;
  // The field as the drive gives it, least significant byte first, in the
  // six bytes of an ATA raw value; a field beyond 48 bits stops at all ones.
  std::array<uint8_t, 6> raw{};
  friend bool operator==(const NvmeDetailsEntry&, const NvmeDetailsEntry&) = default;
};

std::array<NvmeDetailsEntry, kNvmeDetailsCount> NvmeDetailsEntries(const NvmeHealthLog& log);

}  // namespace taruk
