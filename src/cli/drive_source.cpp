#include "cli/drive_source.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "linux/linux_volumes.h"
#include "linux/live_drives.h"
#include "core/capture/replay_device_opener.h"
#include "core/capture/replay_volumes.h"

namespace taruk {

bool CheckReplayFolder(const CommandLine& commandLine, std::string& error) {
  if (commandLine.replayDir.empty()) return true;
  struct stat info {};
  if (stat(commandLine.replayDir.c_str(), &info) != 0) {
    error = "taruk: --replay " + commandLine.replayDir + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISDIR(info.st_mode)) {
    error = "taruk: --replay " + commandLine.replayDir + ": not a folder";
    return false;
  }
  return true;
}

std::unique_ptr<DeviceOpener> MakeDriveSource(const CommandLine& commandLine, int stopFd) {
  if (!commandLine.replayDir.empty()) return std::make_unique<ReplayDeviceOpener>(commandLine.replayDir);
  // ATA pass-through, directly or through taruk-smart-reader.
  return MakeLiveDeviceOpener(stopFd);
}

std::unique_ptr<Volumes> MakeVolumeSource(const CommandLine& commandLine) {
  if (!commandLine.replayDir.empty()) {
    // The captures may come with their volumes; without that file the
    // machine's own volumes answer.
    const std::string path = ReplayVolumesPath(commandLine.replayDir);
    struct stat info {};
    if (stat(path.c_str(), &info) == 0) return std::make_unique<ReplayVolumes>(path);
  }
  return std::make_unique<LinuxVolumes>();
}

bool AnyDrivePresent(const DriveSlots& slots) {
  for (const DriveSlot& slot : slots) {
    if (slot.IsPresent()) return true;
  }
  return false;
}

std::string NoDriveReason(const DeviceOpener& drives) {
  for (int n = 0; n < kDriveCount; ++n) {
    std::string why = drives.Problem(n);
    if (!why.empty()) return why;
  }
  return "no disk answered";
}

}  // namespace taruk
