// taruk-window: the monitor's window, for taruk with no mode.
#include "cli/commands.h"
#include "cli/monitor_programs/monitor_program_main.h"

int main(int argc, char** argv) {
  return taruk::MonitorProgramMain(
      argc, argv, taruk::CommandLine::Mode::Monitor,
      [argc, argv](const taruk::CommandLine& commandLine) { return taruk::RunMonitorWindow(argc, argv, commandLine); });
}
