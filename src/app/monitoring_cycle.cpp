#include "app/monitoring_cycle.h"

#include <limits>

#include "alert/alarm_dispatch.h"
#include "alert/alarm_texts.h"
#include "app/history.h"
#include "app/stop_request.h"
#include "drive/read_drive_info.h"

namespace {

// The volumes tested per cycle: one per drive letter on the system this
// monitor first ran on.
constexpr size_t kMostVolumes = 26;

// Free megabytes (10^6 bytes) rounded down. A volume beyond 4 PB free would
// wrap around in 32 bits and look nearly full; it counts as the largest value.
uint32_t FreeMegabytes(uint64_t bytes) {
  const uint64_t megabytes = bytes / 1'000'000;
  return megabytes > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                          : static_cast<uint32_t>(megabytes);
}

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

// A monitor asked to stop carries out no further action: a sound played to
// its end or a call to the system's services would hold up the exit.
bool MonitorCore::Stopping() const { return StopRequested(stopFd); }

MonitorCore::MonitorCore(DriveSlots& driveSlots, MonitorConfig& config, MonitorEnvironment environment)
    : monitoredSlots(driveSlots), config(config), environment(environment) {}

void MonitorCore::RunMonitoringCycle() {
  // An error box opened by an action keeps delivering timer ticks; a cycle
  // started inside it would nest, and the next one inside that.
  if (cycleRunning) return;
  CycleGuard guard(cycleRunning);

  RefreshDrives();
  environment.view.ShowSelectedDriveInfo();
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
}

void MonitorCore::RefreshDrives() {
  ReadAllDrives(environment.drives, monitoredSlots);
  for (int n = 0; n < kDriveCount; ++n) {
    // Buttons of absent drives are left as they are, never hidden again.
    if (monitoredSlots[static_cast<size_t>(n)].IsPresent()) environment.view.ShowDiskButton(n);
  }
  environment.view.ShowDriveHealth();
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
  CarryOutAlarm(config.temperatureAction, message, {config.emailAddress, config.smtpServer, smtpPort, stopFd},
                environment.platform);
}

void MonitorCore::CheckDriveHealth() {
  for (int n = 0; n < kDriveCount; ++n) {
    const DriveSlot& slot = monitoredSlots[static_cast<size_t>(n)];
    if (!slot.IsPresent()) continue;
    const DriveHealth health = AtaHealth(slot);
    if (HealthWorsened(health, slot.serialNumber, healthSeen[static_cast<size_t>(n)])) RunHealthAlarm(n, health);
  }
}

void MonitorCore::RunHealthAlarm(int driveIndex, const DriveHealth& health) {
  if (alarmsOff || Stopping()) return;
  if (driveIndex < 0 || driveIndex >= kDriveCount) return;
  const AlarmMessage message = HealthAlarmMessage(driveIndex, monitoredSlots[static_cast<size_t>(driveIndex)], health);
  CarryOutAlarm(config.healthAction, message, {config.emailAddress, config.smtpServer, smtpPort, stopFd},
                environment.platform);
}

void MonitorCore::RunFreeSpaceAlarm(const std::wstring& rootPath, uint32_t freeMb) {
  if (alarmsOff || Stopping()) return;
  const AlarmMessage message = FreeSpaceAlarmMessage(rootPath, freeMb, config.minimumFreeSpace);
  CarryOutAlarm(config.freeSpaceAction, message, {config.emailAddress, config.smtpServer, smtpPort, stopFd},
                environment.platform);
}
