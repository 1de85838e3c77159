#pragma once
// One running monitor, put together the same way for the window and for
// headless: the drive driveSlots it owns, its settings, and the cycle over them on
// the machine it is given. The windows are handed the driveSlots from here.

#include <functional>
#include <string>

#include "core/alarm/alarm_mail_queue.h"
#include "core/drive/drive_slot.h"
#include "core/monitor/monitoring_cycle.h"
#include "core/settings/monitor_config.h"
#include "core/settings/settings_file.h"

namespace taruk {

// What the window or headless does at the points of the start that are its
// own; an empty step does nothing.
struct MonitorStartSteps {
  // After the settings are loaded, before the slots are cleared.
  std::function<void()> settingsLoaded;
  // After the drives' first reading, before the health test.
  std::function<void()> drivesRead;
  // Runs the cycle every `periodMs` from here on: a timer armed once for the
  // whole run, or the headless run until it is stopped.
  std::function<void(int periodMs)> startTimer;
};

class Monitor {
 public:
  explicit Monitor(MonitorEnvironment environment) : environment(environment) { core.HandMailTo(&mailQueue); }
  Monitor(const Monitor&) = delete;
  Monitor& operator=(const Monitor&) = delete;

  // The settings: the defaults, then the file over them. A file read only in
  // part is logged, and from then on never written over.
  void LoadSettings();
  // Saves the settings (the window's Options and Exit). False when they were
  // not saved, with `error` saying why: the file on disk was read only in
  // part (it stays as it is) or could not be replaced. Either is logged.
  bool SaveSettings(std::string& error);
  // The headless monitor changes no setting: it writes the file only when
  // there was none at start and still is none, so that the next start finds
  // the defaults written out.
  bool CreateSettingsIfMissing(std::string& error);
  // Every slot cleared, the history starting from the clock's hour.
  void ResetHistory();
  // The timer period for the poll interval. A hand-edited settings file may
  // hold one the Options dialog would never accept: 0 or less would make the
  // timer fire without pause, and a huge one would overflow the milliseconds.
  int TimerPeriodMs() const;

  // The start, in this order whatever shows it: the settings, every slot
  // cleared, the drives read once, then the health test alone (a drive
  // already failing says so now, not one poll interval later), then the
  // timer at the period for the poll interval.
  void Start(const MonitorStartSteps& steps);
  // One cycle and out (headless --once): the settings, every slot cleared,
  // and one cycle whose e-mails go out within it, up to the stop request.
  void RunOnce();

  // The timer's handler, and a reading pass with the buttons shown, for the
  // window (monitoring_cycle.h).
  void RunMonitoringCycle() { core.RunMonitoringCycle(); }
  void RefreshDrives() { core.RefreshDrives(); }
  // The window shows the cycle while it exists; nullptr: nothing shows it.
  void SetView(MonitorView* shownIn) { core.SetView(shownIn); }
  bool Answered(int driveNumber) const { return core.Answered(driveNumber); }
  const std::vector<DriveFound>& LastFound() const { return core.LastFound(); }
  SideSettings CurrentSideSettings() { return core.CurrentSideSettings(); }

  const MonitorEnvironment& Environment() const { return environment; }
  const DriveSlots& Slots() const { return driveSlots; }
  // The Options dialog edits the settings in place; the next cycle uses them.
  MonitorConfig& Config() { return config; }
  const MonitorConfig& Config() const { return config; }
  // How the settings file was found at the last LoadSettings.
  const SettingsLoad& LoadedSettings() const { return settingsLoad; }

 private:
  // Tests put made-up drives straight into the slots.
  friend struct MonitorTestAccess;

  const MonitorEnvironment environment;
  DriveSlots driveSlots = DriveSlots(kDiskButtonCount);
  MonitorConfig config;
  SettingsLoad settingsLoad;
  MonitorCore core{driveSlots, config, environment};
  // Alert e-mails leave the cycle here. Ended first when the monitor ends:
  // a mail still waiting for its server gives up at once.
  AlarmMailQueue mailQueue{environment.platform};
};

}  // namespace taruk
