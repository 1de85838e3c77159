#pragma once
// The minute and hour temperature series of every slot.

#include <cstdint>

#include "core/base/clock.h"
#include "core/drive/drive_slot.h"

namespace taruk {

// Clears every field of all four slots, then stamps each with the current
// hour and minute.
void ResetHistory(DriveSlots& slots, Clock& clock);

// One history step for a slot: a new minute shifts the minute series by the
// minutes one poll interval stands for; a new hour shifts the hour series.
void RecordHistory(DriveSlot& slot, int32_t pollInterval, Clock& clock);

}  // namespace taruk
