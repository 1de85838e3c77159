// The Linux machine behind taruk's modes: the arguments as given (file names
// are bytes here), the drives through ATA pass-through, the mounted volumes.
#include "cli/platform.h"
#include "linux/linux_volumes.h"
#include "linux/live_drives.h"

namespace taruk {

std::vector<std::string> ProgramArguments(int argc, char** argv) { return {argv, argv + argc}; }

std::unique_ptr<DeviceOpener> MakeLiveDrives(StopSignal stop) {
  // ATA pass-through, directly or through taruk-smart-reader.
  return MakeLiveDeviceOpener(static_cast<int>(stop));  // a descriptor on Linux
}

std::unique_ptr<Volumes> MakeMachineVolumes() { return std::make_unique<LinuxVolumes>(); }

}  // namespace taruk
