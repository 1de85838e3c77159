#pragma once
// One running monitor, put together the same way for the window and for
// headless: the drive driveSlots it owns, its settings, and the cycle over them on
// the machine it is given. The windows are handed the driveSlots from here.

#include "core/drive/drive_slot.h"
#include "core/monitor/monitor_config.h"
#include "core/monitor/monitoring_cycle.h"

namespace taruk {

class Monitor {
 public:
  explicit Monitor(MonitorEnvironment environment) : environment(environment) {}
  Monitor(const Monitor&) = delete;
  Monitor& operator=(const Monitor&) = delete;

  // The settings: the defaults, then the file over them.
  void LoadSettings();
  // Every slot cleared, the history starting from the clock's hour.
  void ResetHistory();
  // The timer period for the poll interval. A hand-edited settings file may
  // hold one the Options dialog would never accept: 0 or less would make the
  // timer fire without pause, and a huge one would overflow the milliseconds.
  int TimerPeriodMs() const;

  const MonitorEnvironment environment;
  DriveSlots driveSlots{};
  MonitorConfig config;
  MonitorCore core{driveSlots, config, environment};
};

}  // namespace taruk
