#pragma once
// One function per mode of taruk; each returns the process's exit code.

#include "cli/command_line.h"

namespace taruk {

int RunReport(const CommandLine& commandLine);
int RunCapture(const CommandLine& commandLine);
int RunHeadless(const CommandLine& commandLine);
int RunSelfTest(const CommandLine& commandLine);
int RunSettings(const CommandLine& commandLine);
int RunMonitorWindow(int argc, char** argv, const CommandLine& commandLine);

}  // namespace taruk
