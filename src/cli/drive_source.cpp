#include "cli/drive_source.h"

#include <filesystem>
#include <system_error>

#include "cli/platform.h"
#include "cli/utf8_path.h"
#include "core/capture/replay_device_opener.h"
#include "core/capture/replay_volumes.h"

namespace taruk {

bool CheckReplayFolder(const CommandLine& commandLine, std::string& error) {
  return commandLine.replayDir.empty() || CheckFolderOption("--replay", commandLine.replayDir, error);
}

std::unique_ptr<DeviceOpener> MakeDriveSource(const CommandLine& commandLine, StopSignal stop) {
  if (!commandLine.replayDir.empty()) return std::make_unique<ReplayDeviceOpener>(commandLine.replayDir);
  return MakeLiveDrives(stop);
}

std::unique_ptr<Volumes> MakeVolumeSource(const CommandLine& commandLine) {
  if (!commandLine.replayDir.empty()) {
    // The captures may come with their volumes; without that file the
    // machine's own volumes answer.
    const std::string path = ReplayVolumesPath(commandLine.replayDir);
    std::error_code ec;
    if (std::filesystem::exists(PathFromUtf8(path), ec)) return std::make_unique<ReplayVolumes>(path);
  }
  return MakeMachineVolumes();
}

bool AnyDrivePresent(const DriveSlots& slots) {
  for (const DriveSlot& slot : slots) {
    if (slot.IsPresent()) return true;
  }
  return false;
}

std::string NoDriveReason(const std::vector<DriveFound>& found) {
  for (const DriveFound& drive : found) {
    if (!drive.problem.empty()) return drive.problem;
  }
  return "no disk answered";
}

}  // namespace taruk
