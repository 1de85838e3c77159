#include "core/view/smart_details_rows.h"

#include <cwchar>

#include "core/drive/attribute_names.h"
#include "core/drive/attribute_reading.h"
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
    std::swprintf(raw, std::size(raw), L"%02x%02x%02x%02x%02x%02x", entry.raw[5], entry.raw[4],
                  entry.raw[3], entry.raw[2], entry.raw[1], entry.raw[0]);
    rows.push_back({std::to_wstring(entry.id), AttributeNames[entry.id], std::to_wstring(entry.current),
                    std::to_wstring(entry.threshold), std::to_wstring(entry.worst), raw,
                    ReadingText(AtaAttributeReading(entry))});
  }
  return rows;
}

}  // namespace taruk
