// taruk.exe with no mode: the monitor's main window, a native dialog. When no
// live drive can be read it shows the demo drives that come with the program,
// says so on stderr and in the window, and carries out no alarm action for
// them.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/drive_source.h"
#include "cli/metrics_outputs.h"
#include "cli/window_sources.h"
#include "core/base/clock.h"
#include "core/base/path_text.h"
#include "gui/win32/native_monitor_window.h"
#include "win32/console_alert_platform.h"
#include "win32/power_switch.h"

namespace taruk {

namespace {

// Started from the desktop or the Run key, taruk.exe gets a console of its
// own that nobody reads: let it go, so that no empty console window stands
// beside the monitor. Started from a console, it keeps it for its messages.
void ReleaseOwnConsole() {
  DWORD processes[2];
  if (GetConsoleProcessList(processes, 2) == 1) FreeConsole();
}

}  // namespace

int RunMonitorWindow(int, char**, const CommandLine& commandLine) {
  std::string error;
  if (!CheckReplayFolder(commandLine, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }
  WindowSources sources = OpenWindowSources(commandLine);
  MetricsOutputs metrics;
  if (!metrics.Start(commandLine, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  ReleaseOwnConsole();

  SystemClock clock;
  SystemPowerSwitch power;
  ConsoleAlertPlatform machine(power);
  win32::WindowAlertPlatform platform(machine);
  std::optional<std::wstring> demoDrivesReason;
  if (sources.demoDrivesReason) demoDrivesReason = PathBytesToWide(*sources.demoDrivesReason);
  Monitor monitor(WindowEnvironment(sources, clock, platform, metrics.Observer()));
  return win32::RunNativeMonitorWindow(monitor, platform, demoDrivesReason);
}

}  // namespace taruk
