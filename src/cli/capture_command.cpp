// taruk --capture DIR: one reading pass over drives 0..3 whose answers are
// written as DIR/driveN.capture, so that `--replay DIR` shows the same drives.
// A sleeping drive is captured asleep (identified, not read) unless --wake.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>

#include "cli/commands.h"
#include "drive/drive_slot.h"
#include "platform/linux/live_drives.h"
#include "platform/replay/capture_drive.h"
#include "platform/replay/drive_capture.h"

namespace fs = std::filesystem;

namespace {

// Writes beside the target and renames, so that a capture is either whole or
// not there at all.
bool WriteWhole(const fs::path& path, const std::string& text, std::string& error) {
  const fs::path partial = path.string() + ".partial";
  {
    std::ofstream file(partial, std::ios::binary | std::ios::trunc);
    file << text;
    file.flush();
    if (!file) {
      error = "cannot write " + partial.string();
      std::error_code ignored;
      fs::remove(partial, ignored);
      return false;
    }
  }
  std::error_code ec;
  fs::rename(partial, path, ec);
  if (ec) {
    error = "cannot rename " + partial.string() + ": " + ec.message();
    fs::remove(partial, ec);
    return false;
  }
  return true;
}

}  // namespace

int RunCapture(const CommandLine& commandLine) {
  const fs::path folder = commandLine.captureDir;
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec || !fs::is_directory(folder, ec)) {
    std::fprintf(stderr, "taruk: --capture %s: %s\n", folder.c_str(),
                 ec ? ec.message().c_str() : "not a folder");
    return 1;
  }

  std::unique_ptr<DeviceOpener> drives = MakeLiveDeviceOpener();
  int written = 0;
  bool failed = false;
  for (int n = 0; n < kDriveCount; ++n) {
    const fs::path path = folder / ("drive" + std::to_string(n) + ".capture");
    const SleepingDrive rule = commandLine.wake ? SleepingDrive::Wake : SleepingDrive::Identify;
    std::unique_ptr<SmartDevice> device = drives->OpenForPass(n, rule);
    if (!device) {
      const std::string problem = drives->Problem(n);
      if (!problem.empty()) std::fprintf(stderr, "taruk: %s\n", problem.c_str());
      // A capture left from an earlier run would bring back a drive that
      // no longer opens when the folder is replayed.
      if (fs::remove(path, ec)) {
        std::fprintf(stderr, "taruk: removed %s: drive %d did not open\n", path.c_str(), n);
      }
      continue;
    }
    const DriveCapture capture = CaptureDrive(*device, rule);
    device.reset();
    const std::string problem = drives->Problem(n);
    if (!problem.empty()) std::fprintf(stderr, "taruk: %s\n", problem.c_str());

    const std::string text = "# physical drive " + std::to_string(n) + ", taruk --capture\n" + FormatCapture(capture);
    std::string error;
    if (!WriteWhole(path, text, error)) {
      std::fprintf(stderr, "taruk: %s\n", error.c_str());
      failed = true;
      continue;
    }
    std::printf("%s\n", path.c_str());
    ++written;
  }
  if (failed) return 1;
  if (written == 0) {
    std::fputs("taruk: no drive opened; nothing captured\n", stderr);
    return 1;
  }
  return 0;
}
