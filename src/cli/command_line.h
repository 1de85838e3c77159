#pragma once
// taruk's options. The monitor itself needs none; the rest serve servers,
// tests and bug reports.

#include <string>
#include <vector>

namespace taruk {

struct CommandLine {
  enum class Mode { Monitor, Report, Capture, Headless, SelfTest, Settings, Set, Help, Version };
  Mode mode = Mode::Monitor;
  bool json = false;          // --report --json
  bool once = false;          // --headless --once
  bool wake = false;          // --report/--capture --wake: read sleeping drives too
  std::string replayDir;      // --replay DIR: drives (and volumes) from captures
  std::string captureDir;     // --capture DIR
  std::string metricsListen;  // --metrics-listen HOST:PORT, checked
  std::string metricsFile;    // --metrics-file PATH
  std::string metricsCompat;  // --metrics-compat smartctl-exporter: that exporter's series too
  // --report and --capture DIR followed by device names or ids ("/dev/sdc",
  // "ata-ST3160023A_5MT0XXXX"): only those drives.
  std::vector<std::string> drives;
  std::string selfTest;                  // --self-test short|extended|conveyance|abort
  std::string drive = "0";               // --drive ID: the drive a self-test is for
  std::vector<std::string> assignments;  // --set NAME=VALUE, in the order given
  std::string configDir;                 // --config-dir DIR: the settings folder (the service's)
};

// False with a one-line `error` for a usage error.
bool ParseCommandLine(int argc, char** argv, CommandLine& commandLine, std::string& error);

// What --help prints: only the options this build can carry out.
std::string UsageText();

}  // namespace taruk
