#include "core/drive/drive_slot.h"

namespace taruk {

std::wstring ShownText(const std::wstring& padded) {
  const size_t first = padded.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return {};
  return padded.substr(first, padded.find_last_not_of(L" \t") - first + 1);
}

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

const char* DriveBusName(DriveBus bus) {
  if (bus == DriveBus::Scsi) return "scsi";
  return bus == DriveBus::Nvme ? "nvme" : "ata";
}

const DriveSlot& SlotOrEmpty(const DriveSlots& slots, int n) {
  static const DriveSlot kEmpty;
  if (n < 0 || static_cast<size_t>(n) >= slots.size()) return kEmpty;
  return slots[static_cast<size_t>(n)];
}

}  // namespace taruk
