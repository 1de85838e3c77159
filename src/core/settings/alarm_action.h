#pragma once
// The action chosen for an alarm: the index of the entry in the Options
// dialog's action lists. Stored as a signed 32-bit value; any value outside
// 1..6 (-1 for a list without a selection, a hand-edited file) acts as None.

#include <cstdint>

namespace taruk {

enum class AlarmAction : int32_t {
  None = 0,
  ShowNotification = 1,
  ShutDown = 2,
  Suspend = 3,
  Hibernate = 4,
  PlaySound = 5,
  SendEmail = 6,
};

}  // namespace taruk
