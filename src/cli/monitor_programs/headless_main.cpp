// taruk-headless: the monitor without windows, for taruk --headless.
#include "cli/commands.h"
#include "cli/monitor_programs/monitor_program_main.h"

int main(int argc, char** argv) {
  return taruk::MonitorProgramMain(argc, argv, taruk::CommandLine::Mode::Headless, taruk::RunHeadless);
}
