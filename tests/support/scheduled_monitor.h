#pragma once
// One running monitor over a test's drives, with its own APPDATA holding a
// taruk.toml, at a clock the test moves: what the self-test schedule tests
// run their cycles in.

#include <filesystem>
#include <string>

#include "core/monitor/monitoring_cycle.h"
#include "support/quiet_machine.h"
#include "support/recording_platform.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

namespace taruk {

struct ScheduledMonitor {
  ScheduledMonitor(DeviceOpener& drives, const std::string& toml)
      : core(slots, config, {drives, volumes, clock, platform}) {
    std::filesystem::create_directories(scratch / "Taruk");
    WriteFileBytes(file, toml);
    core.LoadSelfTestSchedule();
  }
  void CycleAt(int64_t unixSeconds) {
    clock.unixSeconds = unixSeconds;
    core.RunMonitoringCycle();
  }

  ScratchDir scratch;
  ScopedEnv appData{"APPDATA", scratch.path()};
  const std::string file = scratch / "Taruk/taruk.toml";
  FixedClock clock;
  NoVolumes volumes;
  RecordingPlatform platform;
  DriveSlots slots = DriveSlots(kDiskButtonCount);
  MonitorConfig config;
  MonitorCore core;
};

}  // namespace taruk
