#include <cstdio>

#include "cli/commands.h"

int RunHeadless(const CommandLine& /*commandLine*/) {
  std::fputs("taruk: --headless is not built yet\n", stderr);
  return 2;
}
