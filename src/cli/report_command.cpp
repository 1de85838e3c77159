#include <cstdio>
#include <string>

#include "core/capture/drive_report.h"
#include "cli/commands.h"
#include "cli/drive_source.h"
#include "core/drive/read_drive_info.h"

namespace taruk {

// One reading pass over drives 0..3, then the present drives on stdout.
// Needs no display: it runs on servers and in containers.
int RunReport(const CommandLine& commandLine) {
  std::string error;
  if (!CheckReplayFolder(commandLine, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }
  std::unique_ptr<DeviceOpener> opener = MakeDriveSource(commandLine);
  DriveSlots slots{};
  ReadAllDrives(*opener, slots, commandLine.wake);

  // A drive that could not be read says why on stderr, so stdout stays the
  // report alone. Under --replay that can only be a bad capture, which makes
  // the whole report worthless: no report then, and exit 2.
  bool problems = false;
  for (int n = 0; n < kDriveCount; ++n) {
    if (slots[n].IsPresent()) continue;
    const std::string problem = opener->Problem(n);
    if (problem.empty()) continue;
    std::fprintf(stderr, "taruk: %s\n", problem.c_str());
    problems = true;
  }
  if (problems && !commandLine.replayDir.empty()) return 2;

  const std::string report =
      commandLine.json ? DriveReportJson(slots) : DriveReportText(slots, commandLine.wake);
  std::fwrite(report.data(), 1, report.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace taruk
