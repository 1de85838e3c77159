#include "core/drive/slot_health.h"

#include "core/drive/nvme_health_log.h"

namespace taruk {

DriveHealth SlotHealth(const DriveSlot& slot) {
  if (slot.bus == DriveBus::Ata) return AtaHealth(slot);
  if (slot.nvmeLog) return NvmeHealth(NvmeHealthFieldsOf(*slot.nvmeLog));
  DriveHealth health;
  health.reasons.push_back({L"the NVMe health log could not be read", -1, HealthVerdict::Unknown});
  return health;
}

}  // namespace taruk
