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

}  // namespace taruk
