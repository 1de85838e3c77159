#pragma once
// One running monitor, put together the same way for the window and for
// headless: the drive driveSlots it owns, its settings, and the cycle over them on
// the machine it is given. The windows are handed the driveSlots from here.

#include <functional>
#include <string>

#include "core/alarm/alarm_mail_queue.h"
#include "core/drive/drive_slot.h"
#include "core/settings/monitor_config.h"
#include "core/monitor/monitoring_cycle.h"
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
  explicit Monitor(MonitorEnvironment environment) : environment(environment) { core.mailQueue = &mailQueue; }
  Monitor(const Monitor&) = delete;
  Monitor& operator=(const Monitor&) = delete;

  // The settings: the defaults, then the file over them. A file read only in
  // part is logged, and from then on never written over.
  void LoadSettings();
  // Saves the settings (the window's Options and Exit). False when they were
  // not saved, with `problem` saying why: the file on disk was read only in
  // part (it stays as it is) or could not be replaced. Either is logged.
  bool SaveSettings(std::string& problem);
  // The headless monitor changes no setting: it writes the file only when
  // there was none at start and still is none, so that the next start finds
  // the defaults written out.
  bool CreateSettingsIfMissing(std::string& problem);
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
