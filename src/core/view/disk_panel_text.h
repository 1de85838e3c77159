#pragma once
// The texts the disk buttons and the disk panel show for a slot.

#include <string>

#include "core/drive/drive_slot.h"

namespace taruk {

// "HD%d: %s\r\nCapacity: %d.%02d Gb": number and model (without its padding,
// which would wrap the caption), then the capacity in hundredths of a
// gigabyte (capacityMb / 10).
std::wstring DiskButtonCaption(int driveIndex, const DriveSlot& slot);
// The second line of the caption alone.
std::wstring CapacityText(const DriveSlot& slot);
// The maker recognised from the start of the model, or the model itself.
std::wstring ManufacturerOf(const std::wstring& model);
// Leading white space removed, trailing kept.
std::wstring TrimmedSerial(const std::wstring& serialNumber);
// "%u °C".
std::wstring TemperatureText(uint32_t temperature);
// The panel's temperature field: "standby" while the drive sleeps (its
// temperature is then the last one read), otherwise TemperatureText. Empty
// when there is nothing to show (no reading and awake).
std::wstring PanelTemperatureText(const DriveSlot& slot);
// "%u hours (%u days)".
std::wstring WorkTimeText(uint32_t powerOnHours);

}  // namespace taruk
