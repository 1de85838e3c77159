#pragma once
// The window tests show made-up drives without a drive source behind them:
// they put them straight into the running monitor's slots.

#include "core/monitor/monitor.h"

namespace taruk {

struct MonitorTestAccess {
  static DriveSlots& Slots(Monitor& monitor) { return monitor.driveSlots; }
};

}  // namespace taruk
