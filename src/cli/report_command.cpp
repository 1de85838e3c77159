#include <cstdio>

#include "cli/commands.h"

int RunReport(const CommandLine& /*commandLine*/) {
  std::fputs("taruk: --report is not built yet\n", stderr);
  return 2;
}
