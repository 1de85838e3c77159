// taruk with no mode: the monitor's main window. When no live drive can be
// read (no disk answers, or no right to ask), it shows the demo drives that
// come with the program, says so on stderr and in the window, and carries out
// no alarm action for them.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "core/base/clock.h"
#include "core/base/executable_path.h"
#include "gui/windows/monitor_app.h"
#include "gui/windows/window_alert_platform.h"
#include "cli/commands.h"
#include "cli/drive_source.h"
#include "cli/metrics_outputs.h"
#include "core/drive/read_drive_info.h"
#include "desktop/desktop_alert_platform.h"

namespace taruk {

namespace {

namespace fs = std::filesystem;

// True when one of drives 0..3 answers the reading pass.
bool AnyDriveReadable(DeviceOpener& drives) {
  DriveSlots probe{};
  ReadAllDrives(drives, probe);
  return AnyDrivePresent(probe);
}

// The demo drives: installed beside the program's data
// (PREFIX/share/taruk/demo for PREFIX/bin/taruk), or in the source tree the
// program was built from.
std::string FindDemoFolder() {
  const fs::path executable = RunningExecutablePath();
  std::vector<fs::path> candidates;
  if (!executable.empty()) candidates.push_back(executable.parent_path().parent_path() / "share" / "taruk" / "demo");
  candidates.push_back(fs::path(TARUK_SOURCE_DATA_DIR) / "demo");
  std::error_code error;
  for (const fs::path& folder : candidates) {
    if (fs::exists(folder / "drive0.capture", error)) return folder.lexically_normal().string();
  }
  return {};
}

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

  CommandLine source = commandLine;
  std::unique_ptr<DeviceOpener> drives = MakeDriveSource(source);
  std::optional<QString> demoDrivesReason;
  if (source.replayDir.empty() && !AnyDriveReadable(*drives)) {
    const std::string why = NoDriveReason(*drives);
    const std::string demo = FindDemoFolder();
    if (demo.empty()) {
      std::fprintf(stderr, "taruk: no drive could be read (%s), and the demo drives are not installed\n", why.c_str());
    } else {
      std::fprintf(stderr, "taruk: no drive could be read (%s); showing the demo drives from %s, with alarms off\n",
                   why.c_str(), demo.c_str());
      source.replayDir = demo;
      drives = MakeDriveSource(source);
      demoDrivesReason = QString::fromStdString(why);
    }
  }
  std::unique_ptr<Volumes> volumes = MakeVolumeSource(source);

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
  // The demo drives are not this machine's: they never reach the metrics.
  Monitor monitor({*drives, *volumes, clock, platform, demoDrivesReason ? nullptr : metrics.Observer()});
  CMonitorApp app(monitor, demoDrivesReason);
  app.onWindowCreated = [&platform](CMonitorDlg& window) { platform.SetWindow(&window); };
  app.InitInstance();
  platform.SetWindow(nullptr);
  return 0;
}

}  // namespace taruk
