#pragma once
// The SMART / Health Information log page of an NVMe drive (log 02h) as a
// plain record, and what the monitor's slot and verdict take from it.

#include <cstdint>
#include <optional>
#include <span>

#include "core/drive/drive_health.h"
#include "core/drive/drive_slot.h"
#include "core/drive/nvme_health_log_fields.h"

namespace taruk {

// Decodes the page (little-endian). A page of any other length than the
// log's is refused: a short read leaves nothing to decode.
std::optional<NvmeHealthLog> DecodeNvmeHealthLog(std::span<const uint8_t> page);

// The slot's temperature (whole degrees Celsius, 0 = no reading) from a
// temperature in kelvin: kelvin - 273. Below 274 K the slot, which holds no
// degrees below 1, has no reading; above kHottestNvmeCelsius neither: a
// drive's solder melts first, so 0xFFFE K (65,261 degrees) or all bits set
// is a fault of the sensor or the bridge, and must not raise the
// temperature alarm.
constexpr uint32_t kHottestNvmeCelsius = 200;
uint32_t NvmeTemperatureCelsius(uint16_t kelvin);

// The slot's work time: power on hours, stopped at the largest value the
// slot holds rather than wrapped.
uint32_t NvmeWorkHours(const NvmeHealthLog& log);

// Writes the log into the slot, with what the views show of it: temperature
// and work time. Like a stored ATA page it replaces both, so a drive whose sensor
// stops answering shows no temperature rather than its last one.
void StoreNvmeHealthLog(const NvmeHealthLog& log, DriveSlot& slot);

// The fields the verdict weighs. Media errors keep the saturated count, so a
// counter beyond 64 bits still counts as errors.
NvmeHealthFields NvmeHealthFieldsOf(const NvmeHealthLog& log);

}  // namespace taruk
