#include <cstdio>

#include "cli/commands.h"

// Until the main window exists, the monitor prints the usage.
int RunMonitorWindow(int /*argc*/, char** /*argv*/, const CommandLine& /*commandLine*/) {
  std::fputs(kUsage, stdout);
  return 0;
}
