#include "cli/command_line.h"

#include <string_view>

#include "cli/platform.h"
#include "core/metrics/smartctl_exporter_page.h"

namespace taruk {

namespace {

const char* const kUsage =
    "Usage:\n"
    "  taruk [--replay DIR]                     the monitor (drives from captures with --replay)\n"
    "  taruk --report [--json] [--wake] [--replay DIR] [DRIVE...]\n"
    "                                           read every drive once and print what they report\n"
    "  taruk --capture DIR [--wake] [DRIVE...]  write each readable drive's answers to DIR/driveN.capture\n"
    "DRIVE is a device name (/dev/sdc, \\\\.\\PhysicalDrive2) or a drive's id (wwn-0x..., ata-MODEL_SERIAL):\n"
    "only those drives are read.\n"
    "  taruk --headless [--once] [--replay DIR] the monitor without windows; --once runs one cycle\n"
    "  taruk --self-test short|extended|conveyance|abort [--drive ID]\n"
    "                                           start (or abort) a drive's own self-test and return at once\n"
    "  taruk --settings [--config-dir DIR]     every setting: NAME=VALUE and the file that keeps it\n"
    "  taruk --set NAME=VALUE... [--config-dir DIR]\n"
    "                                           change settings (conf.dat as Options writes it, or taruk.toml);\n"
    "                                           --config-dir: the settings in DIR (the service's: "
    "/var/lib/taruk/Taruk)\n"
    "  taruk --help | --version\n"
    "A drive in standby is not spun up: it is identified but not read, unless --wake is given.\n"
    "The monitor, with or without windows, also takes:\n";
const char* const kMetricsFileUsage =
    "  --metrics-file PATH                      rewrite PATH with the last cycle's metrics after every cycle\n"
    "  --metrics-compat smartctl-exporter       add the Prometheus smartctl_exporter's series (smartctl_device...)\n"
    "                                           for its dashboards; off by default: beside that exporter they\n"
    "                                           would be duplicates\n";

}  // namespace

std::string UsageText() { return std::string(kUsage) + kMetricsListenUsage + kMetricsFileUsage; }

bool ParseCommandLine(int argc, char** argv, CommandLine& commandLine, std::string& error) {
  using Mode = CommandLine::Mode;
  bool modeGiven = false;
  bool driveGiven = false;
  auto setMode = [&](Mode mode, std::string_view option) {
    if (modeGiven) {
      error = "taruk: " + std::string(option) + " cannot be combined with another mode";
      return false;
    }
    modeGiven = true;
    commandLine.mode = mode;
    return true;
  };
  auto takeValue = [&](int& i, std::string_view option, std::string& value, const char* what = "a folder") {
    if (i + 1 >= argc || std::string_view(argv[i + 1]).empty()) {
      error = "taruk: " + std::string(option) + " needs " + what;
      return false;
    }
    value = argv[++i];
    return true;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string_view option = argv[i];
    if (option == "--help" || option == "-h") {
      if (!setMode(Mode::Help, option)) return false;
    } else if (option == "--version") {
      if (!setMode(Mode::Version, option)) return false;
    } else if (option == "--report") {
      if (!setMode(Mode::Report, option)) return false;
    } else if (option == "--headless") {
      if (!setMode(Mode::Headless, option)) return false;
    } else if (option == "--capture") {
      if (!setMode(Mode::Capture, option) || !takeValue(i, option, commandLine.captureDir)) return false;
    } else if (option == "--self-test") {
      if (!setMode(Mode::SelfTest, option) ||
          !takeValue(i, option, commandLine.selfTest, "short, extended, conveyance or abort")) {
        return false;
      }
      if (commandLine.selfTest != "short" && commandLine.selfTest != "extended" &&
          commandLine.selfTest != "conveyance" && commandLine.selfTest != "abort") {
        error = "taruk: --self-test takes short, extended, conveyance or abort, not " + commandLine.selfTest;
        return false;
      }
    } else if (option == "--settings") {
      if (!setMode(Mode::Settings, option)) return false;
    } else if (option == "--set") {
      // Several --set in one call change the settings together.
      if (commandLine.mode != Mode::Set && !setMode(Mode::Set, option)) return false;
      std::string assignment;
      if (!takeValue(i, option, assignment, "NAME=VALUE")) return false;
      commandLine.assignments.push_back(assignment);
    } else if (option == "--config-dir") {
      if (!takeValue(i, option, commandLine.configDir)) return false;
    } else if (option == "--drive") {
      if (!takeValue(i, option, commandLine.drive, "a drive number")) return false;
      driveGiven = true;
    } else if (option == "--json") {
      commandLine.json = true;
    } else if (option == "--once") {
      commandLine.once = true;
    } else if (option == "--wake") {
      commandLine.wake = true;
    } else if (option == "--replay") {
      if (!takeValue(i, option, commandLine.replayDir)) return false;
    } else if (option == "--metrics-listen") {
      if (!takeValue(i, option, commandLine.metricsListen, "HOST:PORT")) return false;
      if (!CheckListenAddress(commandLine.metricsListen, error)) return false;
    } else if (option == "--metrics-file") {
      if (!takeValue(i, option, commandLine.metricsFile, "a file")) return false;
    } else if (option == "--metrics-compat") {
      if (!takeValue(i, option, commandLine.metricsCompat, "smartctl-exporter")) return false;
      if (commandLine.metricsCompat != kSmartctlExporterCompat) {
        error = "taruk: --metrics-compat takes smartctl-exporter, not " + commandLine.metricsCompat;
        return false;
      }
    } else if (!option.starts_with("-")) {
      commandLine.drives.emplace_back(option);
    } else {
      error = "taruk: unknown option " + std::string(option) + " (see taruk --help)";
      return false;
    }
  }
  if (!commandLine.drives.empty() && commandLine.mode != Mode::Report && commandLine.mode != Mode::Capture) {
    error = "taruk: drive names go with --report or --capture (" + commandLine.drives.front() + ")";
    return false;
  }
  if (commandLine.json && commandLine.mode != Mode::Report) {
    error = "taruk: --json goes with --report";
    return false;
  }
  if (driveGiven && commandLine.mode != Mode::SelfTest) {
    error = "taruk: --drive goes with --self-test";
    return false;
  }
  if (!commandLine.configDir.empty() && commandLine.mode != Mode::Settings && commandLine.mode != Mode::Set) {
    error = "taruk: --config-dir goes with --settings or --set";
    return false;
  }
  if (commandLine.once && commandLine.mode != Mode::Headless) {
    error = "taruk: --once goes with --headless";
    return false;
  }
  if (commandLine.wake && commandLine.mode != Mode::Report && commandLine.mode != Mode::Capture) {
    error = "taruk: --wake goes with --report or --capture";
    return false;
  }
  if (!commandLine.replayDir.empty() && commandLine.mode == Mode::Capture) {
    error = "taruk: --capture reads live drives; --replay does not apply";
    return false;
  }
  if ((!commandLine.metricsListen.empty() || !commandLine.metricsFile.empty()) && commandLine.mode != Mode::Headless &&
      commandLine.mode != Mode::Monitor) {
    error = "taruk: --metrics-listen and --metrics-file go with the monitor (taruk or taruk --headless)";
    return false;
  }
  if (!commandLine.metricsCompat.empty() && commandLine.metricsListen.empty() && commandLine.metricsFile.empty()) {
    error = "taruk: --metrics-compat goes with --metrics-listen or --metrics-file";
    return false;
  }
  return true;
}

}  // namespace taruk
