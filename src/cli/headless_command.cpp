// taruk --headless: the monitoring cycle on its timer, without any window.
// Settings are loaded as the window loads them and saved when SIGTERM or
// SIGINT ends the monitor, as Exit does.

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <climits>
#include <cstdio>

#include "app/clock.h"
#include "app/history.h"
#include "app/monitoring_cycle.h"
#include "app/settings_file.h"
#include "cli/commands.h"
#include "cli/drive_source.h"
#include "cli/headless_alert_platform.h"
#include "cli/metrics_outputs.h"

namespace {

// The timer period in milliseconds. A hand-edited file may hold a poll
// interval the Options dialog would never accept; 0 or less would spin.
int TimerPeriodMs(int32_t pollInterval) {
  if (pollInterval < 1) return 1000;
  if (pollInterval > INT_MAX / 1000) return INT_MAX / 1000 * 1000;
  return pollInterval * 1000;
}

// SIGTERM and SIGINT arrive as readable data on a descriptor, so the event
// loop handles them between cycles rather than in the middle of one.
int OpenStopSignals() {
  sigset_t stopSet;
  sigemptyset(&stopSet);
  sigaddset(&stopSet, SIGTERM);
  sigaddset(&stopSet, SIGINT);
  // Blocked before any thread starts, so that no helper thread takes them.
  if (pthread_sigmask(SIG_BLOCK, &stopSet, nullptr) != 0) return -1;
  return signalfd(-1, &stopSet, SFD_CLOEXEC | SFD_NONBLOCK);
}

}  // namespace

int RunHeadless(const CommandLine& commandLine) {
  std::string error;
  if (!CheckReplayFolder(commandLine, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }
  const int stopSignals = OpenStopSignals();
  if (stopSignals < 0) {
    std::perror("taruk: signalfd");
    return 1;
  }
  MetricsOutputs metrics;
  if (!metrics.Start(commandLine, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    close(stopSignals);
    return 1;
  }
  std::unique_ptr<DeviceOpener> drives = MakeDriveSource(commandLine);
  std::unique_ptr<Volumes> volumes = MakeVolumeSource(commandLine);

  // D-Bus (notifications, logind) wants an application object; no display.
  static int argc = 1;
  static char name[] = "taruk";
  static char* argv[] = {name, nullptr};
  QCoreApplication application(argc, argv);

  MonitorConfig config;
  LoadSettings(config);
  SystemClock clock;
  HeadlessAlertPlatform platform;
  MonitorView view;  // nothing to show
  ResetHistory(driveSlots, clock);
  MonitorCore core(driveSlots, config, {*drives, *volumes, clock, platform, view, metrics.Observer()});

  if (commandLine.once) {
    core.RunMonitoringCycle();
    close(stopSignals);
    return 0;
  }

  // As the window does at start: the drives once, without any test.
  core.RefreshDrives();
  int exitCode = 0;
  QSocketNotifier stopNotifier(stopSignals, QSocketNotifier::Read);
  QObject::connect(&stopNotifier, &QSocketNotifier::activated, [&] {
    signalfd_siginfo info{};
    while (read(stopSignals, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    }
    if (!SaveSettings(config)) {
      LogLine(L"Can't save configuration to a file!");
      exitCode = 1;
    }
    application.quit();
  });
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] { core.RunMonitoringCycle(); });
  timer.start(TimerPeriodMs(config.pollInterval));
  application.exec();
  close(stopSignals);
  return exitCode;
}
