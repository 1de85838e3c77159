#include <cstdio>

#include "cli/commands.h"

int RunCapture(const CommandLine& /*commandLine*/) {
  std::fputs("taruk: --capture is not built yet\n", stderr);
  return 2;
}
