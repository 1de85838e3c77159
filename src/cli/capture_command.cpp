// taruk --capture DIR: one reading pass over drives 0..3 whose answers are
// written as DIR/driveN.capture, so that `--replay DIR` shows the same drives.
// A sleeping drive is captured asleep (identified, not read) unless --wake.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "core/base/atomic_file.h"
#include "cli/commands.h"
#include "core/drive/drive_slot.h"
#include "cli/platform.h"
#include "cli/utf8_path.h"
#include "core/capture/recording_device.h"
#include "core/capture/drive_capture.h"

namespace taruk {

namespace fs = std::filesystem;

int RunCapture(const CommandLine& commandLine) {
  const fs::path folder = PathFromUtf8(commandLine.captureDir);
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec || !fs::is_directory(folder, ec)) {
    std::fprintf(stderr, "taruk: --capture %s: %s\n", commandLine.captureDir.c_str(),
                 ec ? ec.message().c_str() : "not a folder");
    return 1;
  }

  std::unique_ptr<DeviceOpener> drives = MakeLiveDrives();
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
        std::fprintf(stderr, "taruk: removed %s: drive %d did not open\n", Utf8FromPath(path).c_str(), n);
      }
      continue;
    }
    const DriveCapture capture = CaptureDrive(*device, rule);
    device.reset();
    const std::string problem = drives->Problem(n);
    if (!problem.empty()) std::fprintf(stderr, "taruk: %s\n", problem.c_str());

    const std::string text = "# physical drive " + std::to_string(n) + ", taruk --capture\n" + FormatCapture(capture);
    // Whole or not there at all; and the folder may be one others can write
    // into (/tmp), so nothing found under a name there is written through.
    if (const FileWrite write = ReplaceFileAtomically(Utf8FromPath(path), text, 0644); !write) {
      std::fprintf(stderr, "taruk: cannot write %s: %s\n", Utf8FromPath(path).c_str(), write.reason.c_str());
      failed = true;
      continue;
    }
    std::printf("%s\n", Utf8FromPath(path).c_str());
    ++written;
  }
  if (failed) return 1;
  if (written == 0) {
    std::fputs("taruk: no drive opened; nothing captured\n", stderr);
    return 1;
  }
  return 0;
}

}  // namespace taruk
