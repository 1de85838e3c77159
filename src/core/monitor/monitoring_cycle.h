#pragma once
// One tick of the monitor: re-read the drives, refresh the view, test every
// drive against the critical temperature (then record its history), look for
// drives whose health worsened, and, when a free-space action is chosen, test
// every volume against the minimum.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "core/alarm/alarm_dispatch.h"
#include "core/alarm/alarm_mail_schedule.h"
#include "core/alarm/alert_platform.h"
#include "core/base/clock.h"
#include "core/base/stop_request.h"
#include "core/drive/drive_slot.h"
#include "core/drive/smart_device.h"
#include "core/drive/volumes.h"
#include "core/mail/smtp_client.h"
#include "core/monitor/cycle_observer.h"
#include "core/monitor/drive_numbering.h"
#include "core/monitor/health_watch.h"
#include "core/monitor/monitor_view.h"
#include "core/monitor/scheduled_self_tests.h"
#include "core/monitor/side_settings_watch.h"
#include "core/settings/monitor_config.h"

namespace taruk {

// The machine as the monitor sees it: the window's, headless's, or replays
// and recorders in tests.
struct MonitorEnvironment {
  DeviceOpener& drives;
  Volumes& volumes;
  Clock& clock;
  AlertPlatform& platform;
  // Told of every finished cycle (the metrics); none by default.
  CycleObserver* cycleObserver = nullptr;
  // The port the e-mail action connects to.
  uint32_t smtpPort = kSmtpPort;
  // Set while the drives are made-up data (the demo drives shown when none
  // of the machine's could be read): they are read, shown and recorded as
  // usual, but no alarm action is ever carried out for them or their volumes.
  bool demoDrives = false;
  // The program's stop request: once it has come, an e-mail on its way gives
  // up at once, and no further action is carried out (core/base/stop_request.h).
  // None for the window, which stops between cycles.
  StopSignal stop = kNoStopSignal;
};

class MonitorCore {
 public:
  // Shows what it does in `view`, none by default (SetView).
  MonitorCore(DriveSlots& driveSlots, MonitorConfig& config, MonitorEnvironment environment);
  MonitorCore(DriveSlots& driveSlots, MonitorConfig& config, MonitorEnvironment environment, MonitorView& view);
  MonitorCore(const MonitorCore&) = delete;
  MonitorCore& operator=(const MonitorCore&) = delete;
  // The window shows the cycle while it exists; nullptr: nothing shows it.
  void SetView(MonitorView* shownIn);

  // The timer's handler. A tick that arrives while a cycle is still running
  // (a message box opened inside it lets the timer fire again) is skipped.
  void RunMonitoringCycle();
  // A reading pass over every drive (drive_numbering.h), then the buttons
  // of the present ones.
  void RefreshDrives();
  void CheckFreeSpace();
  // The action for a drive at or above the critical temperature. The e-mail
  // goes out by the mail schedule (alarm_mail_schedule.h), every other
  // action at every call.
  void RunTemperatureAlarm(int driveIndex);
  // The health action for every present drive whose health is worse than
  // ever before; the first call speaks for drives already failing. The
  // cycle calls it, and the monitor once at start. The e-mail instead goes
  // by the mail schedule, for as long as a drive is in caution or bad.
  void CheckDriveHealth();
  void RunHealthAlarm(int driveIndex, const DriveHealth& health);
  void RunFreeSpaceAlarm(const std::wstring& rootPath, uint32_t freeMb);
  // Whether the drive opened in the last RefreshDrives: its slot keeps the
  // values of a drive that has gone, so the slot alone cannot tell.
  bool Answered(int driveNumber) const {
    return driveNumber >= 0 && static_cast<size_t>(driveNumber) < lastPass.answered.size() &&
           lastPass.answered[static_cast<size_t>(driveNumber)];
  }
  // What the last RefreshDrives found, drive by drive in the system's order.
  const std::vector<DriveFound>& LastFound() const { return lastPass.found; }

  // Where alert e-mails are handed, so that the cycle keeps its pace whatever
  // the mail server does; nullptr (the default): each is sent within the
  // cycle (one cycle and out, tests).
  void HandMailTo(AlarmMailQueue* queue) { mailQueue = queue; }
  // The self-tests' schedule and their last starts, read again from the
  // side settings file (at start).
  void LoadSelfTestSchedule() { scheduledSelfTests.Load(); }
  // taruk.toml as it is now, parsed again only when it changed.
  SideSettings CurrentSideSettings() { return sideSettings.Current(); }

 private:
  AlarmMailSettings MailSettings() const;
  // The alarm's e-mail when the schedule says one is due for `alarm.topic`;
  // `holds`: the condition holds now.
  void MailByTheSchedule(const AlarmMessage& alarm, bool holds, bool mailing);
  void RunHealthMail(int driveIndex, const DriveHealth& health, bool heavier, bool mailing);
  // Tells the observer, if any, what the pass that began at `started` left.
  void ReportToObserver(std::chrono::steady_clock::time_point started);

  // Not "slots": Qt code includes this header, and Qt takes that word.
  DriveSlots& monitoredSlots;
  MonitorConfig& config;
  MonitorEnvironment environment;
  MonitorView noView;
  MonitorView* view = &noView;
  bool cycleRunning = false;
  // By slot, as the slots grow.
  std::vector<HealthSeen> healthSeen;

  // What the last RefreshDrives found.
  DrivePass lastPass;

  AlarmMailQueue* mailQueue = nullptr;
  // Self-tests the monitor starts by itself after a cycle's reading pass
  // (off unless the side settings file turns them on).
  ScheduledSelfTests scheduledSelfTests;
  // taruk.toml, read again only when it changed: the self-test schedule,
  // the reminder period and the tray icon's mode follow it.
  SideSettingsWatch sideSettings;
  // When alert e-mails go out; its reminder period comes from sideSettings
  // at each look.
  AlarmMailSchedule mailSchedule;

  bool Stopping() const;
};

}  // namespace taruk
