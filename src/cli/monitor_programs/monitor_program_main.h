#pragma once
// The main of the monitor's two programs, taruk-headless and taruk-window,
// which the taruk command execs for their mode (src/cli/launcher). Each runs
// its own mode only: the one-shot modes run in taruk itself, and their code
// linked in here would stay resident all day for nothing.

#include <cstdio>
#include <string>

#include "cli/command_line.h"

namespace taruk {

template <typename Run>
int MonitorProgramMain(int argc, char** argv, CommandLine::Mode mode, Run run) {
  CommandLine commandLine;
  std::string error;
  if (!ParseCommandLine(argc, argv, commandLine, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }
  if (commandLine.mode != mode) {
    std::fprintf(stderr, "%s runs only the monitor that the taruk command starts with it: run taruk\n", argv[0]);
    return 2;
  }
  return run(commandLine);
}

}  // namespace taruk
