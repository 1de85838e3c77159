#include "core/view/nvme_details_rows.h"

#include <cwchar>
#include <optional>

#include "core/drive/attribute_reading.h"
#include "core/drive/nvme_details.h"

namespace taruk {

namespace {

std::wstring Column(std::optional<uint8_t> value) { return value ? std::to_wstring(*value) : std::wstring(); }

}  // namespace

std::vector<SmartDetailsRow> NvmeDetailsRows(const NvmeHealthLog& log) {
  std::vector<SmartDetailsRow> rows;
  for (const NvmeDetailsEntry& entry : NvmeDetailsEntries(log)) {
    const auto& r = entry.raw;
    wchar_t raw[16];
    std::swprintf(raw, std::size(raw), L"%02x%02x%02x%02x%02x%02x", r[5], r[4], r[3], r[2], r[1], r[0]);
    // No field has a worst value.
    rows.push_back({std::to_wstring(entry.id), entry.name, Column(entry.value), Column(entry.threshold), std::wstring(),
                    raw, ReadingText(NvmeFieldReading(log, entry.id))});
  }
  return rows;
}

}  // namespace taruk
