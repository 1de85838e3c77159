#pragma once
// Drives answered from capture files: physical drive N is DIR/driveN.capture,
// for any N the folder holds. Every open looks at the file again, so every
// pass sees its current content (a test can heat a drive up between two
// passes by rewriting it, or add and remove drives); an unchanged file is
// not read again (CaptureFileReader).

#include <map>
#include <string>
#include <vector>

#include "core/capture/capture_file.h"
#include "core/drive/drive_slot.h"
#include "core/drive/smart_device.h"

namespace taruk {

class ReplayDeviceOpener : public DeviceOpener {
 public:
  explicit ReplayDeviceOpener(std::string directory) : directory_(std::move(directory)) {}

  // The N of every driveN.capture in the folder, in order.
  std::vector<int> DriveNumbers() override;
  // The capture's file name ("drive2.capture"): the same whatever folder
  // the captures are replayed from, and on either system.
  std::string DeviceName(int driveNumber) const override;
  // No file: the drive does not open (no such drive). A malformed file does
  // not open either, and Problem tells why; so it does for a capture that
  // opens but gives no drive to show (no size).
  std::unique_ptr<SmartDevice> Open(int driveNumber) override;
  std::string Problem(int driveNumber) const override;

  std::string PathOf(int driveNumber) const;

 private:
  std::string directory_;
  std::map<int, std::string> problems_;
  std::map<int, CaptureFileReader> readers_;
};

// The N of a name "driveN.capture" (N in plain decimal, no sign, no leading
// zero but for 0 itself, below a million); -1 for any other name.
int CaptureDriveNumber(const std::string& fileName);

}  // namespace taruk
