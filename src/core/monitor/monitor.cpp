#include "core/monitor/monitor.h"

#include <climits>

#include "core/monitor/history.h"
#include "core/monitor/settings_file.h"

namespace taruk {

void Monitor::LoadSettings() {
  config = MonitorConfig();
  taruk::LoadSettings(config);
}

void Monitor::ResetHistory() { taruk::ResetHistory(driveSlots, environment.clock); }

int Monitor::TimerPeriodMs() const {
  if (config.pollInterval < 1) return 1000;
  if (config.pollInterval > INT_MAX / 1000) return INT_MAX / 1000 * 1000;
  return config.pollInterval * 1000;
}

void Monitor::Start(const MonitorStartSteps& steps) {
  LoadSettings();
  if (steps.settingsLoaded) steps.settingsLoaded();
  ResetHistory();
  core.RefreshDrives();
  if (steps.drivesRead) steps.drivesRead();
  core.CheckDriveHealth();
  if (steps.startTimer) steps.startTimer(TimerPeriodMs());
}

}  // namespace taruk
