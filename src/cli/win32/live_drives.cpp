// Stands in for the Win32 drive layer until this build has it: no live drive
// is read, and --report and --capture say so.
#include "cli/platform.h"

namespace taruk {

namespace {

class NoLiveDrives : public DeviceOpener {
 public:
  std::unique_ptr<SmartDevice> Open(int) override { return nullptr; }
  std::string Problem(int driveNumber) const override {
    return "drive " + std::to_string(driveNumber) + ": this taruk.exe has no live drive reader built in (--replay DIR reads captures)";
  }
};

}  // namespace

std::unique_ptr<DeviceOpener> MakeLiveDrives(StopSignal) { return std::make_unique<NoLiveDrives>(); }

}  // namespace taruk
