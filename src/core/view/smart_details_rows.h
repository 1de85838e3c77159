#pragma once
// The rows of the S.M.A.R.T. details list for one drive, as texts.

#include <array>
#include <string>
#include <vector>

#include "core/drive/drive_health.h"
#include "core/drive/drive_slot.h"

namespace taruk {

// Id, name, value, threshold, worst, raw, and the raw value as a number in
// its unit where it is known ("3 sectors"): the list's seven columns in order.
using SmartDetailsRow = std::array<std::wstring, 7>;
inline constexpr size_t kDecodedColumn = 6;

struct DetailsColumn {
  const wchar_t* heading;
  bool alignRight;
  int width;  // pixels
};
inline constexpr DetailsColumn kDetailsColumns[] = {
    {L"#", true, 40},      {L"Attribute", false, 300}, {L"Value", false, 70},    {L"Threshold", false, 70},
    {L"Worst", false, 70}, {L"Raw", false, 130},       {L"Decoded", false, 120},
};
static_assert(std::size(kDetailsColumns) == std::tuple_size_v<SmartDetailsRow>);

// An NVMe drive's rows are its health log's (NvmeDetailsRows), none before a
// log was read. An ATA drive has one row per entry whose id is not 0, in the order of the drive's page. The
// name keeps the catalogue's padding; raw is twelve lower-case hex digits,
// most significant byte first.
std::vector<SmartDetailsRow> SmartDetailsRows(const DriveSlot& slot);

// What marks a row: the heaviest verdict among the health reasons behind it
// (good: none) and their texts, one per line, for its tooltip.
struct DetailsRowMark {
  HealthVerdict weight = HealthVerdict::Good;
  std::wstring tip;
  friend bool operator==(const DetailsRowMark&, const DetailsRowMark&) = default;
};

// One mark per row of SmartDetailsRows, in the same order.
std::vector<DetailsRowMark> DetailsRowMarks(const DriveSlot& slot);

}  // namespace taruk
