#include "core/monitor/monitoring_cycle.h"

#include <chrono>

#include "core/alarm/alarm_dispatch.h"
#include "core/alarm/alarm_texts.h"
#include "core/monitor/history.h"
#include "core/base/stop_request.h"
#include "core/drive/read_drive_info.h"
#include "core/drive/slot_health.h"

namespace taruk {

namespace {

// Notes which drives open, and passes everything on unchanged.
class AnsweringOpener : public DeviceOpener {
 public:
  AnsweringOpener(DeviceOpener& opener, std::array<bool, kDriveCount>& answered)
      : opener(opener), answered(answered) {
    answered.fill(false);
  }
  std::unique_ptr<SmartDevice> Open(int driveNumber) override { return Noted(driveNumber, opener.Open(driveNumber)); }
  // The pass opens through this one: the rule for a sleeping drive must
  // reach the source (the reader is told whether to leave it asleep).
  std::unique_ptr<SmartDevice> OpenForPass(int driveNumber, SleepingDrive rule) override {
    return Noted(driveNumber, opener.OpenForPass(driveNumber, rule));
  }
  std::string Problem(int driveNumber) const override { return opener.Problem(driveNumber); }

 private:
  std::unique_ptr<SmartDevice> Noted(int driveNumber, std::unique_ptr<SmartDevice> device) {
    if (device && driveNumber >= 0 && driveNumber < kDriveCount) answered[static_cast<size_t>(driveNumber)] = true;
    return device;
  }

  DeviceOpener& opener;
  std::array<bool, kDriveCount>& answered;
};

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
  return {config.emailAddress, config.smtpServer, environment.smtpPort, stopFd, mailQueue};
}

// A monitor asked to stop carries out no further action: a sound played to
// its end or a call to the system's services would hold up the exit.
bool MonitorCore::Stopping() const { return StopRequested(stopFd); }

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
  for (int n = 0; n < kDriveCount; ++n) {
    DriveSlot& slot = monitoredSlots[static_cast<size_t>(n)];
    if (slot.IsPresent() && slot.temperature >= critical) RunTemperatureAlarm(n);
    RecordHistory(slot, config.pollInterval, environment.clock);
  }
  CheckDriveHealth();
  if (config.freeSpaceAction != AlarmAction::None) CheckFreeSpace();

  ReportToObserver(started);
}

void MonitorCore::ReportToObserver(std::chrono::steady_clock::time_point started) {
  if (!environment.cycleObserver) return;
  CycleRecord record{monitoredSlots, config, environment.volumes, answered};
  record.durationSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  record.finishedUnixTime =
      std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  environment.cycleObserver->CycleFinished(record);
}

void MonitorCore::RefreshDrives() {
  const auto started = std::chrono::steady_clock::now();
  AnsweringOpener drives(environment.drives, answered);
  ReadAllDrives(drives, monitoredSlots);
  for (int n = 0; n < kDriveCount; ++n) {
    // Buttons of absent drives are left as they are, never hidden again.
    if (monitoredSlots[static_cast<size_t>(n)].IsPresent()) view->ShowDiskButton(n);
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
    if (freeMb <= config.minimumFreeSpace) RunFreeSpaceAlarm(volume.root, freeMb);
  }
}

void MonitorCore::RunTemperatureAlarm(int driveIndex) {
  if (alarmsOff || Stopping()) return;
  if (driveIndex < 0 || driveIndex >= kDriveCount) return;
  const AlarmMessage message =
      TemperatureAlarmMessage(driveIndex, monitoredSlots[static_cast<size_t>(driveIndex)], config.criticalTemperature);
  CarryOutAlarm(config.temperatureAction, message, MailSettings(),
                environment.platform);
}

void MonitorCore::CheckDriveHealth() {
  for (int n = 0; n < kDriveCount; ++n) {
    const DriveSlot& slot = monitoredSlots[static_cast<size_t>(n)];
    if (!slot.IsPresent()) continue;
    const DriveHealth health = SlotHealth(slot);
    if (HealthWorsened(health, slot.serialNumber, healthSeen[static_cast<size_t>(n)])) RunHealthAlarm(n, health);
  }
}

void MonitorCore::RunHealthAlarm(int driveIndex, const DriveHealth& health) {
  if (alarmsOff || Stopping()) return;
  if (driveIndex < 0 || driveIndex >= kDriveCount) return;
  const AlarmMessage message = HealthAlarmMessage(driveIndex, monitoredSlots[static_cast<size_t>(driveIndex)], health);
  CarryOutAlarm(config.healthAction, message, MailSettings(),
                environment.platform);
}

void MonitorCore::RunFreeSpaceAlarm(const std::wstring& rootPath, uint32_t freeMb) {
  if (alarmsOff || Stopping()) return;
  const AlarmMessage message = FreeSpaceAlarmMessage(rootPath, freeMb, config.minimumFreeSpace);
  CarryOutAlarm(config.freeSpaceAction, message, MailSettings(),
                environment.platform);
}

}  // namespace taruk
