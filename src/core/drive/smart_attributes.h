#pragma once
// S.M.A.R.T. attribute and threshold pages into a drive slot.

#include <span>

#include "core/drive/drive_slot.h"
#include "core/drive/smart_device.h"

namespace taruk {

// Sends SMART READ DATA and READ THRESHOLDS for one device-map position and,
// when the data request succeeded, stores the pages. Returns the data page
// when it stored, for the self-test bytes it also holds.
std::optional<Page> ReadSmartPages(SmartDevice& device, int position, DriveSlot& slot);

// Decodes the two pages into attributes, temperature and power-on hours.
void StoreSmartAttributes(std::span<const uint8_t, kPageSize> attributePage,
                          std::span<const uint8_t, kPageSize> thresholdPage, DriveSlot& slot);

}  // namespace taruk
