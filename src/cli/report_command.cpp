#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/drive_selection.h"
#include "cli/drive_source.h"
#include "core/monitor/drive_numbering.h"
#include "core/view/drive_report.h"

namespace taruk {

// One reading pass over every drive (or those named), then the present
// drives on stdout. Needs no display: it runs on servers and in containers.
int RunReport(const CommandLine& commandLine) {
  std::string error;
  if (!CheckReplayFolder(commandLine, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }
  std::unique_ptr<DeviceOpener> opener = MakeDriveSource(commandLine);
  DriveSlots slots;
  const DrivePass pass = ReadEveryDrive(*opener, slots, commandLine.wake, DevicesToOpen(commandLine.drives));

  // A drive that could not be read says why on stderr, so stdout stays the
  // report alone. Under --replay that can only be a bad capture: it is
  // reported and the exit status says so, but the drives that replayed well
  // are printed all the same.
  bool problems = false;
  for (const DriveFound& found : pass.found) {
    if (found.problem.empty()) continue;
    if (found.slot >= 0 && slots[static_cast<size_t>(found.slot)].IsPresent()) continue;
    if (!IsNamed(commandLine.drives, found.device, {})) continue;
    std::fprintf(stderr, "taruk: %s\n", found.problem.c_str());
    problems = true;
  }
  const bool badCapture = problems && !commandLine.replayDir.empty();
  const std::vector<std::string> unmatched = UnmatchedWords(commandLine.drives, slots);
  for (const std::string& word : unmatched) std::fprintf(stderr, "taruk: %s: no such drive\n", word.c_str());
  // A script that runs the report from cron must hear that it holds nothing.
  const bool answered = AnyDrivePresent(slots);
  if (!answered && !badCapture && unmatched.empty()) std::fprintf(stderr, "taruk: no drive answered\n");

  // Drives not named are read (an id is known only once read) but not shown.
  for (DriveSlot& slot : slots) {
    if (!IsNamed(commandLine.drives, slot.device, slot.id)) slot = DriveSlot{};
  }
  const std::string report = commandLine.json ? DriveReportJson(slots) : DriveReportText(slots, commandLine.wake);
  std::fwrite(report.data(), 1, report.size(), stdout);
  if (std::fflush(stdout) != 0) return 1;
  if (badCapture || !unmatched.empty()) return 2;
  return answered ? 0 : 1;
}

}  // namespace taruk
