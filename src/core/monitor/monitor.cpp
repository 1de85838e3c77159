#include "core/monitor/monitor.h"

#include <climits>

#include "core/monitor/history.h"
#include "core/monitor/settings_file.h"

void Monitor::LoadSettings() {
  config = MonitorConfig();
  ::LoadSettings(config);
}

void Monitor::ResetHistory() { ::ResetHistory(driveSlots, environment.clock); }

int Monitor::TimerPeriodMs() const {
  if (config.pollInterval < 1) return 1000;
  if (config.pollInterval > INT_MAX / 1000) return INT_MAX / 1000 * 1000;
  return config.pollInterval * 1000;
}
