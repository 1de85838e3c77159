#include <cstdio>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/platform.h"

using namespace taruk;

int main(int argc, char** argv) {
  std::vector<std::string> arguments = ProgramArguments(argc, argv);
  std::vector<char*> utf8Argv;
  for (std::string& argument : arguments) utf8Argv.push_back(argument.data());
  utf8Argv.push_back(nullptr);
  CommandLine commandLine;
  std::string error;
  if (!ParseCommandLine(static_cast<int>(arguments.size()), utf8Argv.data(), commandLine, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }
  switch (commandLine.mode) {
    case CommandLine::Mode::Help:
      std::fputs(UsageText().c_str(), stdout);
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
    case CommandLine::Mode::SelfTest:
      return RunSelfTest(commandLine);
    case CommandLine::Mode::Settings:
    case CommandLine::Mode::Set:
      return RunSettings(commandLine);
    case CommandLine::Mode::Monitor:
      break;
  }
  return RunMonitorWindow(argc, argv, commandLine);
}
