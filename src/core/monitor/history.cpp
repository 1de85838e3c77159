#include "core/monitor/history.h"

#include <algorithm>

namespace taruk {

namespace {

// Moves every element `count` places toward the old end; those pushed past
// the end are dropped, the freed front keeps stale values until written.
template <size_t N>
void ShiftOlder(std::array<uint32_t, N>& series, int32_t count) {
  if (count <= 0) return;
  const size_t places = std::min(static_cast<size_t>(count), N);
  std::copy_backward(series.begin(), series.end() - static_cast<std::ptrdiff_t>(places), series.end());
}

}  // namespace

void ResetHistory(DriveSlots& slots, Clock& clock) {
  slots.assign(kDiskButtonCount, DriveSlot{});
  for (DriveSlot& slot : slots) StampHistory(slot, clock);
}

void StampHistory(DriveSlot& slot, Clock& clock) {
  slot.hourStamp = clock.CurrentHour();
  slot.minuteStamp = clock.CurrentMinute();
}

void RecordHistory(DriveSlot& slot, int32_t pollInterval, Clock& clock) {
  const uint32_t temperature = slot.temperature;
  const int hour = clock.CurrentHour();
  const int minute = clock.CurrentMinute();

  if (minute != slot.minuteStamp) {
    // One cycle stands for k whole minutes of the poll interval. A
    // hand-edited interval of 6,060 seconds or more would ask for more
    // minutes than the series holds; the whole series is then this sample.
    const int32_t k = std::min(pollInterval / 60, int32_t{kMinuteHistoryLength});
    // A cycle shorter than a minute still takes one place; a negative
    // interval (also only from a hand-edited file) shifts nothing.
    ShiftOlder(slot.minuteHistory, k == 0 ? 1 : k);
    slot.minuteHistory[0] = temperature;
    for (int32_t i = 1; i < k; ++i) slot.minuteHistory[static_cast<size_t>(i)] = temperature;
    slot.minuteStamp = minute;
  }

  if (hour != slot.hourStamp) {
    ShiftOlder(slot.hourHistory, 1);
    slot.hourHistory[0] = temperature;
    slot.hourStamp = hour;
  }
}

}  // namespace taruk
