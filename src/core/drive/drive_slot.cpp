#include "core/drive/drive_slot.h"

namespace taruk {

const char* PowerModeName(PowerMode mode) {
  switch (mode) {
    case PowerMode::Standby:
      return "standby";
    case PowerMode::Active:
      return "active";
    case PowerMode::Unknown:
      break;
  }
  return "unknown";
}

const char* DriveBusName(DriveBus bus) { return bus == DriveBus::Nvme ? "nvme" : "ata"; }

const DriveSlot& SlotOrEmpty(const DriveSlots& slots, int n) {
  static const DriveSlot kEmpty;
  if (n < 0 || static_cast<size_t>(n) >= slots.size()) return kEmpty;
  return slots[static_cast<size_t>(n)];
}

}  // namespace taruk
