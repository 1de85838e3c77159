#include "core/drive/slot_health.h"

#include "core/drive/nvme_health_log.h"
#include "core/drive/scsi_health.h"
#include "core/drive/self_test_verdict.h"

namespace taruk {

namespace {

DriveHealth RecordHealth(const DriveSlot& slot) {
  if (slot.bus == DriveBus::Ata) return AtaHealth(slot);
  if (slot.bus == DriveBus::Scsi) return ScsiDriveHealth(slot.scsi.value_or(ScsiHealth{}));
  if (slot.nvmeLog) return NvmeHealth(NvmeHealthFieldsOf(*slot.nvmeLog));
  DriveHealth health;
  health.reasons.push_back({L"the NVMe health log could not be read", -1, HealthVerdict::Unknown});
  return health;
}

}  // namespace

DriveHealth SlotHealth(const DriveSlot& slot) {
  DriveHealth health = RecordHealth(slot);
  AddSelfTestReasons(slot, health);
  return health;
}

}  // namespace taruk
