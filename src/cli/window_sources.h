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

}  // namespace taruk
