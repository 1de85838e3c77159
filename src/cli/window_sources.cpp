#include "cli/window_sources.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "cli/drive_source.h"
#include "cli/utf8_path.h"
#include "core/base/executable_path.h"
#include "core/monitor/drive_numbering.h"

namespace taruk {

namespace {

namespace fs = std::filesystem;

// True when a drive answers the reading pass; `error` says why none did.
bool AnyDriveReadable(DeviceOpener& drives, std::string& error) {
  DriveSlots probe;
  const DrivePass pass = ReadEveryDrive(drives, probe);
  error = NoDriveReason(pass.found);
  return AnyDrivePresent(probe);
}

// The demo drives: installed beside the program's data (PREFIX/share/taruk/demo
// for PREFIX/bin/taruk), beside the program itself (Windows installs them as
// demo\ in the program's folder), or in the source tree it was built from.
std::string FindDemoFolder() {
  const fs::path executable = PathFromUtf8(RunningExecutablePath());
  std::vector<fs::path> candidates;
  if (!executable.empty()) {
    candidates.push_back(executable.parent_path().parent_path() / "share" / "taruk" / "demo");
    candidates.push_back(executable.parent_path() / "demo");
  }
  candidates.push_back(fs::path(TARUK_SOURCE_DATA_DIR) / "demo");
  std::error_code error;
  for (const fs::path& folder : candidates) {
    if (fs::exists(folder / "drive0.capture", error)) return Utf8FromPath(folder.lexically_normal());
  }
  return {};
}

}  // namespace

WindowSources OpenWindowSources(const CommandLine& commandLine) {
  WindowSources sources;
  CommandLine source = commandLine;
  sources.drives = MakeDriveSource(source);
  std::string why;
  if (source.replayDir.empty() && !AnyDriveReadable(*sources.drives, why)) {
    const std::string demo = FindDemoFolder();
    if (demo.empty()) {
      std::fprintf(stderr, "taruk: no drive could be read (%s), and the demo drives are not installed\n", why.c_str());
    } else {
      std::fprintf(stderr, "taruk: no drive could be read (%s); showing the demo drives from %s, with alarms off\n",
                   why.c_str(), demo.c_str());
      source.replayDir = demo;
      sources.drives = MakeDriveSource(source);
      sources.demoDrivesReason = why;
    }
  }
  sources.volumes = MakeVolumeSource(source);
  return sources;
}

}  // namespace taruk
