// taruk with no mode: the monitor's main window. When no live drive can be
// read (no disk answers, or no right to ask), it shows the demo drives that
// come with the program, says so on stderr and in the window, and carries out
// no alarm action for them.
#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/drive_source.h"
#include "cli/metrics_outputs.h"
#include "cli/window_sources.h"
#include "core/base/clock.h"
#include "desktop/desktop_alert_platform.h"
#include "gui/qt/monitor_app.h"
#include "gui/qt/window_alert_platform.h"

namespace taruk {

namespace {

// Qt ends the process when it finds no display; say why and what else to run
// before it gets that far.
bool HasDisplay() {
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

}  // namespace

int RunMonitorWindow(int argc, char** argv, const CommandLine& commandLine) {
  std::string error;
  if (!CheckReplayFolder(commandLine, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }
  if (!HasDisplay()) {
    std::fprintf(stderr,
                 "taruk: no display to open the window on (DISPLAY is not set); "
                 "taruk --headless runs the monitor without a window\n");
    return 1;
  }

  WindowSources sources = OpenWindowSources(commandLine);
  std::optional<QString> demoDrivesReason;
  if (sources.demoDrivesReason) demoDrivesReason = QString::fromStdString(*sources.demoDrivesReason);

  MetricsOutputs metrics;
  if (!metrics.Start(commandLine, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Taruk"));
  QGuiApplication::setDesktopFileName(QStringLiteral("taruk"));

  SystemClock clock;
  DesktopAlertPlatform machine;
  machine.sendRefusedPowerRequests = true;
  WindowAlertPlatform platform(machine);
  Monitor monitor(WindowEnvironment(sources, clock, platform, metrics.Observer()));
  CMonitorApp app(monitor, demoDrivesReason);
  app.InitInstance();
  return 0;
}

}  // namespace taruk
