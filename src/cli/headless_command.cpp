// taruk --headless: the monitoring cycle on its timer, without any window.
// Settings are loaded as the window loads them and saved when SIGTERM,
// SIGINT or SIGHUP ends the monitor, as Exit does.

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <array>
#include <cstdio>
#include <string>

#include "core/base/clock.h"
#include "core/monitor/monitor.h"
#include "core/monitor/settings_file.h"
#include "core/base/stop_request.h"
#include "cli/commands.h"
#include "cli/drive_source.h"
#include "cli/headless_alert_platform.h"
#include "cli/metrics_outputs.h"
#include "cli/problem_log.h"

namespace taruk {

namespace {

// The stop signals arrive as readable data on a descriptor. The waits of a
// cycle (a silent mail server, a stuck reader) poll it and end at once; the
// event loop then saves and quits. SIGHUP too: a server has no terminal whose
// hang-up should end it without saving.
int OpenStopSignals() {
  sigset_t stopSet;
  sigemptyset(&stopSet);
  sigaddset(&stopSet, SIGTERM);
  sigaddset(&stopSet, SIGINT);
  sigaddset(&stopSet, SIGHUP);
  // Blocked before any thread starts, so that no helper thread takes them.
  if (pthread_sigmask(SIG_BLOCK, &stopSet, nullptr) != 0) return -1;
  return signalfd(-1, &stopSet, SFD_CLOEXEC | SFD_NONBLOCK);
}

// Unlike the window, the headless monitor never falls back on the demo
// drives: nobody would see that they are made up. It watches what there is,
// which may be nothing until a drive answers on a later cycle.
void SayIfNoDrive(const Monitor& monitor, const DeviceOpener& drives) {
  if (AnyDrivePresent(monitor.driveSlots)) return;
  std::fprintf(stderr,
               "taruk: no drive could be read (%s); the monitor runs on without drives "
               "(the demo drives are only for the window)\n",
               NoDriveReason(drives).c_str());
}

// What the last pass found wrong, in --report's words.
void LogProblems(const Monitor& monitor, const DeviceOpener& drives, const Volumes& volumes, ProblemLog& log) {
  for (int n = 0; n < kDriveCount; ++n) {
    std::string problem = drives.Problem(n);
    if (problem.empty() && !monitor.core.Answered(n) && monitor.driveSlots[n].IsPresent()) {
      problem = "drive " + std::to_string(n) + " no longer opens; its last values are kept";
    }
    log.Update("drive " + std::to_string(n), problem);
  }
  log.Update("volumes", volumes.Problem());
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
  std::unique_ptr<DeviceOpener> drives = MakeDriveSource(commandLine, stopSignals);
  std::unique_ptr<Volumes> volumes = MakeVolumeSource(commandLine);
  ProblemLog problems;

  // D-Bus (notifications, logind) wants an application object; no display.
  static int argc = 1;
  static char name[] = "taruk";
  static char* argv[] = {name, nullptr};
  QCoreApplication application(argc, argv);

  SystemClock clock;
  HeadlessAlertPlatform platform;
  Monitor monitor({*drives, *volumes, clock, platform, metrics.Observer()});  // nothing shows it
  monitor.LoadSettings();
  monitor.ResetHistory();
  MonitorCore& core = monitor.core;
  core.stopFd = stopSignals;

  int exitCode = 0;
  const auto stop = [&] {
    signalfd_siginfo info{};
    while (read(stopSignals, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    }
    if (!SaveSettings(monitor.config)) {
      LogLine(L"Can't save configuration to a file!");
      exitCode = 1;
    }
  };

  if (commandLine.once) {
    core.RunMonitoringCycle();
    LogProblems(monitor, *drives, *volumes, problems);
    SayIfNoDrive(monitor, *drives);
    // A bad capture makes the pass worthless, as it does for --report.
    if (problems.Any() && !commandLine.replayDir.empty()) exitCode = 2;
    if (StopRequested(stopSignals)) stop();
    close(stopSignals);
    return exitCode;
  }

  // As the window does at start: the drives once, and only the health test,
  // which speaks at once for a drive already failing.
  core.RefreshDrives();
  LogProblems(monitor, *drives, *volumes, problems);
  SayIfNoDrive(monitor, *drives);
  core.CheckDriveHealth();
  QSocketNotifier stopNotifier(stopSignals, QSocketNotifier::Read);
  QObject::connect(&stopNotifier, &QSocketNotifier::activated, [&] {
    stop();
    application.quit();
  });
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    // A stop that came during the last cycle is handled before any other.
    if (StopRequested(stopSignals)) return;
    core.RunMonitoringCycle();
    LogProblems(monitor, *drives, *volumes, problems);
  });
  timer.start(monitor.TimerPeriodMs());
  application.exec();
  close(stopSignals);
  return exitCode;
}

}  // namespace taruk
