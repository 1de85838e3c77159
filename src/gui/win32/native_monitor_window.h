#pragma once
// The entry the Windows window command calls: the monitor's main window as
// a native dialog, run until Exit.
//
//   WindowAlertPlatform platform(machine);
//   Monitor monitor({drives, volumes, clock, platform, observer});
//   return RunNativeMonitorWindow(monitor, platform, demoDrivesReason);

#include <optional>
#include <string>

#include "core/monitor/monitor.h"
#include "gui/win32/window_alert_platform.h"

namespace taruk::win32 {

// Registers the common controls, runs CMonitorDlg over `monitor` (whose
// environment's platform is `platform`) until Exit and returns 0; 1 when
// the window could not be created (no desktop), with the reason on stderr.
// `demoDrivesReason`: set when the drives are the demo drives, why none of
// the machine's could be read.
int RunNativeMonitorWindow(Monitor& monitor, WindowAlertPlatform& platform,
                           std::optional<std::wstring> demoDrivesReason = std::nullopt);

}  // namespace taruk::win32
