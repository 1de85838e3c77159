// taruk --headless: the monitoring cycle on its timer, without any window.
// Settings are loaded as the window loads them; when the system asks the
// monitor to stop (a signal, Ctrl+C, the console closing) the file is written
// only if there was none.

#include <cstdio>
#include <set>
#include <string>

#include "cli/commands.h"
#include "cli/drive_source.h"
#include "cli/metrics_outputs.h"
#include "cli/platform.h"
#include "cli/problem_log.h"
#include "core/alarm/action_log.h"
#include "core/base/clock.h"
#include "core/base/stop_request.h"
#include "core/monitor/monitor.h"
#include "core/settings/settings_file.h"

namespace taruk {

namespace {

// Unlike the window, the headless monitor never falls back on the demo
// drives: nobody would see that they are made up. It watches what there is,
// which may be nothing until a drive answers on a later cycle.
void SayIfNoDrive(const Monitor& monitor) {
  if (AnyDrivePresent(monitor.Slots())) return;
  std::fprintf(stderr,
               "taruk: no drive could be read (%s); the monitor runs on without drives "
               "(the demo drives are only for the window)\n",
               NoDriveReason(monitor.LastFound()).c_str());
}

// What the last pass found wrong, in --report's words: each device's
// problem, and each drive that went.
void LogProblems(const Monitor& monitor, const Volumes& volumes, ProblemLog& log) {
  std::set<int> explained;  // drives whose own problem says why they did not open
  for (const DriveFound& found : monitor.LastFound()) {
    log.Update(found.device, found.problem);
    if (!found.problem.empty()) explained.insert(found.slot);
  }
  for (size_t n = 0; n < monitor.Slots().size(); ++n) {
    const bool gone = !monitor.Answered(static_cast<int>(n)) && monitor.Slots()[n].IsPresent() &&
                      !explained.count(static_cast<int>(n));
    log.Update("drive " + std::to_string(n),
               gone ? "drive " + std::to_string(n) + " no longer opens; its last values are kept" : "");
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
  std::unique_ptr<HeadlessRun> run = StartHeadlessRun(error);
  if (!run) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  MetricsOutputs metrics;
  if (!metrics.Start(commandLine, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  std::unique_ptr<DeviceOpener> drives = MakeDriveSource(commandLine, run->Stop());
  std::unique_ptr<Volumes> volumes = MakeVolumeSource(commandLine);
  ProblemLog problems;

  SystemClock clock;
  Monitor monitor({.drives = *drives,
                   .volumes = *volumes,
                   .clock = clock,
                   .platform = run->Platform(),
                   .cycleObserver = metrics.Observer(),
                   .stop = run->Stop()});  // nothing shows it

  int exitCode = 0;
  // Nothing here changes a setting, so an existing file is never written
  // over: an edit made while the monitor runs stays, and so does a file it
  // understood only in part. Only a first start writes the defaults out.
  const auto save = [&] {
    std::string error;
    if (!monitor.CreateSettingsIfMissing(error)) {
      LogLine(L"Can't save configuration to a file!");
      exitCode = 1;
    }
  };

  if (commandLine.once) {
    monitor.RunOnce();
    LogProblems(monitor, *volumes, problems);
    SayIfNoDrive(monitor);
    // A bad capture makes the pass worthless, as it does for --report.
    if (problems.Any() && !commandLine.replayDir.empty()) exitCode = 2;
    if (StopRequested(run->Stop())) save();
    return exitCode;
  }

  // Started as the window starts; the run holds the process until a stop
  // request comes.
  MonitorStartSteps steps;
  steps.drivesRead = [&] {
    LogProblems(monitor, *volumes, problems);
    SayIfNoDrive(monitor);
  };
  steps.startTimer = [&](int periodMs) {
    run->RunUntilStopped(periodMs, [&] {
      monitor.RunMonitoringCycle();
      LogProblems(monitor, *volumes, problems);
    });
  };
  monitor.Start(steps);
  save();
  return exitCode;
}

}  // namespace taruk
