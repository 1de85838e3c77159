// taruk with no mode: the window, run by taruk-window (Qt Widgets), given the
// arguments as they came (Qt reads its own, such as -platform, from them).
#include "cli/commands.h"
#include "cli/launcher/run_taruk_program.h"

namespace taruk {

int RunMonitorWindow(int argc, char** argv, const CommandLine&) {
  return RunTarukProgram("taruk-window", std::vector<std::string>(argv, argv + argc));
}

}  // namespace taruk
