#pragma once
// Identity and capacity of a drive from its IDENTIFY page and geometry.

#include <span>

#include "core/drive/drive_slot.h"
#include "core/drive/smart_device.h"

namespace taruk {

// Takes idCylinders, idHeads, idSectorsPerTrack, model, firmware and serial
// number out of the page. The string words are byte-swapped in place.
void DecodeIdentifyPage(std::span<const uint8_t, kPageSize> page, DriveSlot& slot);

// capacityGb and capacityMb from the slot's geometry fields.
void ComputeCapacity(DriveSlot& slot);

}  // namespace taruk
