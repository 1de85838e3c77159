#include "core/view/smart_details_rows.h"

#include <cwchar>

#include "core/drive/attribute_names.h"
#include "core/drive/attribute_reading.h"
#include "core/drive/slot_health.h"
#include "core/view/nvme_details_rows.h"
#include "core/view/scsi_details_rows.h"

namespace taruk {

std::vector<SmartDetailsRow> SmartDetailsRows(const DriveSlot& slot) {
  if (slot.bus == DriveBus::Nvme) return slot.nvmeLog ? NvmeDetailsRows(*slot.nvmeLog) : std::vector<SmartDetailsRow>();
  if (slot.bus == DriveBus::Scsi) return slot.scsi ? ScsiDetailsRows(*slot.scsi) : std::vector<SmartDetailsRow>();
  std::vector<SmartDetailsRow> rows;
  for (const SmartAttributeEntry& entry : slot.attributes) {
    if (entry.id == 0) continue;
    wchar_t raw[16];
    std::swprintf(raw, std::size(raw), L"%02x%02x%02x%02x%02x%02x", entry.raw[5], entry.raw[4], entry.raw[3],
                  entry.raw[2], entry.raw[1], entry.raw[0]);
    rows.push_back({std::to_wstring(entry.id), AttributeNames[entry.id], std::to_wstring(entry.current),
                    std::to_wstring(entry.threshold), std::to_wstring(entry.worst), raw,
                    ReadingText(AtaAttributeReading(entry))});
  }
  return rows;
}

std::vector<DetailsRowMark> DetailsRowMarks(const DriveSlot& slot) {
  std::vector<DetailsRowMark> marks(SmartDetailsRows(slot).size());
  // The list leaves out empty entries, so entry j is the row of the entries
  // before it that hold an attribute.
  std::array<int, kAttributeCount> rowOfEntry{};
  int row = 0;
  for (int j = 0; j < kAttributeCount; ++j)
    rowOfEntry[static_cast<size_t>(j)] = slot.attributes[j].id != 0 ? row++ : -1;
  for (const HealthReason& reason : SlotHealth(slot).reasons) {
    if (reason.attributeEntry < 0 || reason.attributeEntry >= kAttributeCount) continue;
    const int target = rowOfEntry[static_cast<size_t>(reason.attributeEntry)];
    if (target < 0 || static_cast<size_t>(target) >= marks.size()) continue;
    DetailsRowMark& mark = marks[static_cast<size_t>(target)];
    // A row behind two reasons (failing and counted) takes the heavier colour.
    if (mark.weight != HealthVerdict::Bad) mark.weight = reason.weight;
    mark.tip += (mark.tip.empty() ? L"" : L"\n") + reason.text;
  }
  return marks;
}

}  // namespace taruk
