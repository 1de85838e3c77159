#pragma once
// The minute and hour temperature series of every slot.

#include <cstdint>

#include "core/base/clock.h"
#include "core/drive/drive_slot.h"

namespace taruk {

// Leaves the window's four slots, every field cleared, each stamped with
// the current hour and minute; slots for further drives come as they are
// found.
void ResetHistory(DriveSlots& slots, Clock& clock);

// Stamps a slot with the current hour and minute, where its series start.
void StampHistory(DriveSlot& slot, Clock& clock);

// One history step for a slot: a new minute shifts the minute series by the
// minutes one poll interval stands for; a new hour shifts the hour series.
void RecordHistory(DriveSlot& slot, int32_t pollInterval, Clock& clock);

}  // namespace taruk
