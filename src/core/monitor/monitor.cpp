#include "core/monitor/monitor.h"

#include <climits>

#include "core/alarm/action_log.h"
#include "core/base/path_text.h"
#include "core/monitor/history.h"
#include "core/settings/settings_file.h"

namespace taruk {

namespace {

void LogSettingsProblem(const std::string& error, const wchar_t* outcome) {
  LogLine(L"settings: " + PathBytesToWide(error) + outcome);
}

}  // namespace

void Monitor::LoadSettings() {
  config = MonitorConfig();
  settingsLoad = taruk::LoadSettings(config);
  core.LoadSelfTestSchedule();
  if (settingsLoad.found == SettingsLoad::Found::Part) {
    LogSettingsProblem(settingsLoad.problem, L"; what could be read applies, and the file is never written over");
  }
}

bool Monitor::SaveSettings(std::string& error) {
  if (settingsLoad.found == SettingsLoad::Found::Part) {
    error = settingsLoad.problem + "; the file was not read whole, so it is left as it is";
  } else if (taruk::SaveSettings(config, &error)) {
    return true;
  }
  // The window's box has no room for the reason: the log keeps it.
  LogLine(L"Can't save configuration to a file! " + PathBytesToWide(error));
  return false;
}

bool Monitor::CreateSettingsIfMissing(std::string& error) {
  if (settingsLoad.found != SettingsLoad::Found::NoFile || taruk::CreateSettingsIfMissing(config, &error)) {
    return true;
  }
  LogSettingsProblem(error, L"");
  return false;
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

void Monitor::RunOnce() {
  core.HandMailTo(nullptr);
  LoadSettings();
  ResetHistory();
  core.RunMonitoringCycle();
}

}  // namespace taruk
