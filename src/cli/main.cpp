#include <cstdio>
#include <string>

#include "cli/command_line.h"
#include "cli/commands.h"

using namespace taruk;

int main(int argc, char** argv) {
  CommandLine commandLine;
  std::string error;
  if (!ParseCommandLine(argc, argv, commandLine, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }
  switch (commandLine.mode) {
    case CommandLine::Mode::Help:
      std::fputs(kUsage, stdout);
      return 0;
    case CommandLine::Mode::Version:
      std::printf("Taruk %s\n", TARUK_VERSION);
      return 0;
    case CommandLine::Mode::Report:
      return RunReport(commandLine);
    case CommandLine::Mode::Capture:
      return RunCapture(commandLine);
    case CommandLine::Mode::Headless:
      return RunHeadless(commandLine);
    case CommandLine::Mode::Monitor:
      break;
  }
  return RunMonitorWindow(argc, argv, commandLine);
}
