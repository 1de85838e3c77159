#include "app/monitoring_cycle.h"

#include <chrono>
#include <limits>

#include "alert/alarm_dispatch.h"
#include "alert/alarm_texts.h"
#include "app/history.h"
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

// Notes which drives open, and passes everything on unchanged.
class AnsweringOpener : public DeviceOpener {
 public:
  AnsweringOpener(DeviceOpener& opener, std::array<bool, kDriveCount>& answered)
      : opener(opener), answered(answered) {
    answered.fill(false);
  }
  std::unique_ptr<SmartDevice> Open(int driveNumber) override {
    std::unique_ptr<SmartDevice> device = opener.Open(driveNumber);
    if (device && driveNumber >= 0 && driveNumber < kDriveCount) answered[static_cast<size_t>(driveNumber)] = true;
    return device;
  }
  std::string Problem(int driveNumber) const override { return opener.Problem(driveNumber); }

 private:
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

MonitorCore::MonitorCore(DriveSlots& driveSlots, MonitorConfig& config, MonitorEnvironment environment)
    : monitoredSlots(driveSlots), config(config), environment(environment) {}

void MonitorCore::RunMonitoringCycle() {
  // An error box opened by an action keeps delivering timer ticks; a cycle
  // started inside it would nest, and the next one inside that.
  if (cycleRunning) return;
  CycleGuard guard(cycleRunning);
  const auto started = std::chrono::steady_clock::now();

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
    if (monitoredSlots[static_cast<size_t>(n)].IsPresent()) environment.view.ShowDiskButton(n);
  }
  // The pass at start, outside any cycle, is reported too: the metrics list
  // the drives from the start, not one poll interval later (when an alert
  // would already have found them gone).
  if (!cycleRunning) ReportToObserver(started);
}

void MonitorCore::CheckFreeSpace() {
  const std::vector<std::wstring> roots = environment.volumes.Roots();
  const size_t count = roots.size() < kMostVolumes ? roots.size() : kMostVolumes;
  for (size_t i = 0; i < count; ++i) {
    uint64_t bytes = 0;
    // A root without a ready volume is skipped without a word.
    if (!environment.volumes.FreeBytesAvailable(roots[i], bytes)) continue;
    const uint32_t freeMb = FreeMegabytes(bytes);
    if (freeMb <= config.minimumFreeSpace) RunFreeSpaceAlarm(roots[i], freeMb);
  }
}

void MonitorCore::RunTemperatureAlarm(int driveIndex) {
  if (driveIndex < 0 || driveIndex >= kDriveCount) return;
  const AlarmMessage message =
      TemperatureAlarmMessage(driveIndex, monitoredSlots[static_cast<size_t>(driveIndex)], config.criticalTemperature);
  CarryOutAlarm(config.temperatureAction, message, {config.emailAddress, config.smtpServer, smtpPort},
                environment.platform);
}

void MonitorCore::RunFreeSpaceAlarm(const std::wstring& rootPath, uint32_t freeMb) {
  const AlarmMessage message = FreeSpaceAlarmMessage(rootPath, freeMb, config.minimumFreeSpace);
  CarryOutAlarm(config.freeSpaceAction, message, {config.emailAddress, config.smtpServer, smtpPort},
                environment.platform);
}
