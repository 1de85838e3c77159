// taruk --capture DIR [DRIVE...]: one reading pass over every drive (or
// those named) whose answers are written as DIR/driveN.capture, N the
// system's drive number, so that `--replay DIR` shows the same drives under
// the same numbers.
// A sleeping drive is captured asleep (identified, not read) unless --wake.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <system_error>

#include "cli/commands.h"
#include "cli/drive_selection.h"
#include "cli/platform.h"
#include "cli/utf8_path.h"
#include "core/base/atomic_file.h"
#include "core/capture/capture_device.h"
#include "core/capture/drive_capture.h"
#include "core/capture/recording_device.h"
#include "core/capture/replay_device_opener.h"
#include "core/drive/drive_id.h"
#include "core/drive/drive_slot.h"
#include "core/drive/read_drive_info.h"

namespace taruk {

namespace fs = std::filesystem;

namespace {

fs::path CaptureFileName(int driveNumber) { return "drive" + std::to_string(driveNumber) + ".capture"; }

// The id the drive's answers give, as a pass would work it out.
std::string CapturedDriveId(const DriveCapture& capture) {
  CaptureDevice answers(capture);
  DriveSlot slot;
  ReadDrive(answers, SleepingDrive::Wake, slot);
  return DriveBaseId(slot);
}

void RemoveStaleCaptures(const fs::path& folder, const std::set<int>& kept) {
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
    const int n = CaptureDriveNumber(Utf8FromPath(entry.path().filename()));
    if (n < 0 || kept.count(n)) continue;
    if (fs::remove(entry.path(), ec)) {
      std::fprintf(stderr, "taruk: removed %s: drive %d did not open\n", Utf8FromPath(entry.path()).c_str(), n);
    }
  }
}

}  // namespace

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
  const DriveSelection toOpen = DevicesToOpen(commandLine.drives);
  std::map<std::string, int> idsSeen;  // base id -> drives with it so far
  std::set<int> kept;                  // the drive numbers whose capture stays
  int written = 0;
  bool failed = false;
  for (const int n : drives->DriveNumbers()) {
    const std::string device = drives->DeviceName(n);
    if (toOpen && !toOpen(device)) continue;
    const fs::path path = folder / CaptureFileName(n);
    const SleepingDrive rule = commandLine.wake ? SleepingDrive::Wake : SleepingDrive::Identify;
    std::unique_ptr<SmartDevice> opened = drives->OpenForPass(n, rule);
    if (!opened) {
      const std::string problem = drives->Problem(n);
      if (!problem.empty()) std::fprintf(stderr, "taruk: %s\n", problem.c_str());
      continue;
    }
    const DriveCapture capture = CaptureDrive(*opened, rule);
    opened.reset();
    const std::string problem = drives->Problem(n);
    // Told apart as the numbering tells them apart: in order of appearance.
    const std::string baseId = CapturedDriveId(capture);
    const std::string id = baseId.empty() ? std::string() : DuplicateId(baseId, ++idsSeen[baseId]);
    if (!IsNamed(commandLine.drives, device, id)) continue;
    kept.insert(n);
    if (!problem.empty()) std::fprintf(stderr, "taruk: %s\n", problem.c_str());

    const std::string text = "# physical drive " + std::to_string(n) + " (" + device + "), id " +
                             (id.empty() ? std::string("none") : id) + ", taruk --capture\n" + FormatCapture(capture);
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
  // A capture left from an earlier run would bring back a drive that no
  // longer opens when the folder is replayed. With drives named, the others'
  // captures are not this run's business.
  if (commandLine.drives.empty()) RemoveStaleCaptures(folder, kept);
  if (failed) return 1;
  if (written == 0) {
    std::fputs("taruk: no drive opened; nothing captured\n", stderr);
    return 1;
  }
  return 0;
}

}  // namespace taruk
