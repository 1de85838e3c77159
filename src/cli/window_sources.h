#pragma once
// What the main window watches, on every system: the drives and volumes the
// command line names, or, when no live drive can be read (no disk answers,
// or no right to ask), the demo drives that come with the program.

#include <memory>
#include <optional>
#include <string>

#include "cli/command_line.h"
#include "core/drive/smart_device.h"
#include "core/drive/volumes.h"
#include "core/monitor/monitoring_cycle.h"

namespace taruk {

struct WindowSources {
  std::unique_ptr<DeviceOpener> drives;
  std::unique_ptr<Volumes> volumes;
  // Set when the drives are the demo drives: why none of the machine's could
  // be read. Their alarms are off and they never reach the metrics.
  std::optional<std::string> demoDrivesReason;
};

// Says on stderr when it falls back on the demo drives, or that they are
// not installed. The replay folder is checked before (CheckReplayFolder).
WindowSources OpenWindowSources(const CommandLine& commandLine);

// The window's monitor on `sources`: demo drives run with their alarms off
// and are kept from the metrics, which are not this machine's.
inline MonitorEnvironment WindowEnvironment(const WindowSources& sources, Clock& clock, AlertPlatform& platform,
                                            CycleObserver* metrics) {
  const bool demo = sources.demoDrivesReason.has_value();
  return {.drives = *sources.drives,
          .volumes = *sources.volumes,
          .clock = clock,
          .platform = platform,
          .cycleObserver = demo ? nullptr : metrics,
          .demoDrives = demo};
}

}  // namespace taruk
