#include "core/monitor/monitoring_cycle.h"

#include <chrono>

#include "core/alarm/alarm_dispatch.h"
#include "core/alarm/alarm_mail_texts.h"
#include "core/alarm/alarm_texts.h"
#include "core/base/machine_name.h"
#include "core/base/stop_request.h"
#include "core/drive/slot_health.h"
#include "core/monitor/history.h"

namespace taruk {

namespace {

// Clears a flag when the cycle ends, however it ends.
class CycleGuard {
 public:
  explicit CycleGuard(bool& flag) : flag(flag) { flag = true; }
  ~CycleGuard() { flag = false; }
  CycleGuard(const CycleGuard&) = delete;
  CycleGuard& operator=(const CycleGuard&) = delete;

 private:
  bool& flag;
};

}  // namespace

AlarmMailSettings MonitorCore::MailSettings() const {
  return {config.emailAddress, config.smtpServer, environment.smtpPort, environment.stop, mailQueue};
}

// A monitor asked to stop carries out no further action: a sound played to
// its end or a call to the system's services would hold up the exit.
bool MonitorCore::Stopping() const { return StopRequested(environment.stop); }

MonitorCore::MonitorCore(DriveSlots& driveSlots, MonitorConfig& config, MonitorEnvironment environment)
    : monitoredSlots(driveSlots), config(config), environment(environment) {}

MonitorCore::MonitorCore(DriveSlots& driveSlots, MonitorConfig& config, MonitorEnvironment environment,
                         MonitorView& shownIn)
    : MonitorCore(driveSlots, config, environment) {
  SetView(&shownIn);
}

void MonitorCore::SetView(MonitorView* shownIn) { view = shownIn ? shownIn : &noView; }

void MonitorCore::RunMonitoringCycle() {
  // An error box opened by an action keeps delivering timer ticks; a cycle
  // started inside it would nest, and the next one inside that.
  if (cycleRunning) return;
  CycleGuard guard(cycleRunning);
  const auto started = std::chrono::steady_clock::now();

  RefreshDrives();
  view->ShowSelectedDriveInfo();
  // Unsigned comparison: a critical temperature of 0 makes every present
  // drive hot, even one without a reading.
  const auto critical = static_cast<uint32_t>(config.criticalTemperature);
  for (size_t n = 0; n < monitoredSlots.size(); ++n) {
    DriveSlot& slot = monitoredSlots[n];
    if (slot.IsPresent() && slot.temperature >= critical) {
      RunTemperatureAlarm(static_cast<int>(n));
    } else if (slot.IsPresent() && !environment.demoDrives && !Stopping()) {
      // Cool again: the e-mail says so once, if it said it was hot.
      MailByTheSchedule(TemperatureAlarmMessage(static_cast<int>(n), slot, config.criticalTemperature), false,
                        config.temperatureAction == AlarmAction::SendEmail);
    }
    RecordHistory(slot, config.pollInterval, environment.clock);
  }
  CheckDriveHealth();
  if (config.freeSpaceAction != AlarmAction::None) CheckFreeSpace();
  if (!environment.demoDrives && !Stopping()) {
    scheduledSelfTests.RunDue(monitoredSlots, environment.drives, environment.clock.UnixSeconds(), sideSettings);
  }

  ReportToObserver(started);
}

void MonitorCore::ReportToObserver(std::chrono::steady_clock::time_point started) {
  if (!environment.cycleObserver) return;
  CycleRecord record{monitoredSlots, config, environment.volumes, lastPass.answered};
  record.durationSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  record.finishedUnixTime = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  environment.cycleObserver->CycleFinished(record);
}

void MonitorCore::RefreshDrives() {
  const auto started = std::chrono::steady_clock::now();
  const size_t known = monitoredSlots.size();
  lastPass = ReadEveryDrive(environment.drives, monitoredSlots);
  // A slot made for a new drive starts its history at this hour and minute,
  // as those cleared at start did.
  for (size_t n = known; n < monitoredSlots.size(); ++n) StampHistory(monitoredSlots[n], environment.clock);
  healthSeen.resize(monitoredSlots.size());
  for (size_t n = 0; n < monitoredSlots.size(); ++n) {
    // Buttons of absent drives are left as they are, never hidden again.
    if (monitoredSlots[n].IsPresent()) view->ShowDiskButton(static_cast<int>(n));
  }
  view->ShowDriveHealth();
  // The pass at start, outside any cycle, is reported too: the metrics list
  // the drives from the start, not one poll interval later (when an alert
  // would already have found them gone).
  if (!cycleRunning) ReportToObserver(started);
}

void MonitorCore::CheckFreeSpace() {
  for (const VolumeSpace& volume : environment.volumes.FreeSpace(kMostVolumes)) {
    // A root without a ready volume is skipped without a word.
    if (!volume.freeBytes) continue;
    const uint32_t freeMb = FreeMegabytes(*volume.freeBytes);
    if (freeMb <= config.minimumFreeSpace) {
      RunFreeSpaceAlarm(volume.root, freeMb);
    } else if (!environment.demoDrives && !Stopping()) {
      MailByTheSchedule(FreeSpaceAlarmMessage(volume.root, freeMb, config.minimumFreeSpace), false,
                        config.freeSpaceAction == AlarmAction::SendEmail);
    }
  }
}

void MonitorCore::RunTemperatureAlarm(int driveIndex) {
  if (environment.demoDrives || Stopping()) return;
  if (driveIndex < 0 || static_cast<size_t>(driveIndex) >= monitoredSlots.size()) return;
  const AlarmMessage message =
      TemperatureAlarmMessage(driveIndex, monitoredSlots[static_cast<size_t>(driveIndex)], config.criticalTemperature);
  const bool mailing = config.temperatureAction == AlarmAction::SendEmail;
  MailByTheSchedule(message, true, mailing);
  if (!mailing) CarryOutAlarm(config.temperatureAction, message, MailSettings(), environment.platform);
}

void MonitorCore::CheckDriveHealth() {
  healthSeen.resize(monitoredSlots.size());
  for (size_t n = 0; n < monitoredSlots.size(); ++n) {
    const DriveSlot& slot = monitoredSlots[n];
    if (!slot.IsPresent()) continue;
    const DriveHealth health = SlotHealth(slot);
    const HealthVerdict worstBefore = healthSeen[n].worst;
    const bool worsened = HealthWorsened(health, slot.serialNumber, healthSeen[n]);
    // Mailed already and now heavier (caution to bad, or another drive in
    // its place): news of its own, not a reminder.
    const bool heavier = worsened && healthSeen[n].worst != worstBefore;
    const bool mailing = config.healthAction == AlarmAction::SendEmail;
    RunHealthMail(static_cast<int>(n), health, heavier, mailing);
    if (worsened && !mailing) RunHealthAlarm(static_cast<int>(n), health);
  }
}

void MonitorCore::RunHealthMail(int driveIndex, const DriveHealth& health, bool heavier, bool mailing) {
  // An unknown verdict tells nothing: the schedule stays as it was.
  if (environment.demoDrives || Stopping() || health.verdict == HealthVerdict::Unknown) return;
  const AlarmMessage message = HealthAlarmMessage(driveIndex, monitoredSlots[static_cast<size_t>(driveIndex)], health);
  if (heavier) mailSchedule.Forget(message.topic);
  MailByTheSchedule(message, health.verdict != HealthVerdict::Good, mailing);
}

void MonitorCore::MailByTheSchedule(const AlarmMessage& alarm, bool holds, bool mailing) {
  if (mailing) mailSchedule.SetReminderSeconds(ReadMailReminderSeconds(sideSettings.Current()));
  const MailDecision due = mailSchedule.Look(alarm.topic, holds, mailing, environment.clock.ElapsedSeconds());
  if (due.due == MailDue::Nothing) return;
  AlarmMailSettings settings = MailSettings();
  // A mail that did not get through is tried again at the next look.
  AlarmMailSchedule* schedule = &mailSchedule;
  settings.finished = [schedule, topic = alarm.topic](bool sent) {
    if (!sent) schedule->Failed(topic);
  };
  const AlarmMessage mail = AlarmMailFor(alarm, due, MachineName(), mailSchedule.ReminderSeconds());
  CarryOutAlarm(AlarmAction::SendEmail, mail, settings, environment.platform);
}

void MonitorCore::RunHealthAlarm(int driveIndex, const DriveHealth& health) {
  if (environment.demoDrives || Stopping()) return;
  if (driveIndex < 0 || static_cast<size_t>(driveIndex) >= monitoredSlots.size()) return;
  const AlarmMessage message = HealthAlarmMessage(driveIndex, monitoredSlots[static_cast<size_t>(driveIndex)], health);
  CarryOutAlarm(config.healthAction, message, MailSettings(), environment.platform);
}

void MonitorCore::RunFreeSpaceAlarm(const std::wstring& rootPath, uint32_t freeMb) {
  if (environment.demoDrives || Stopping()) return;
  const AlarmMessage message = FreeSpaceAlarmMessage(rootPath, freeMb, config.minimumFreeSpace);
  const bool mailing = config.freeSpaceAction == AlarmAction::SendEmail;
  MailByTheSchedule(message, true, mailing);
  if (!mailing) CarryOutAlarm(config.freeSpaceAction, message, MailSettings(), environment.platform);
}

}  // namespace taruk
