#pragma once
// Drives answered from capture files: physical drive N is DIR/driveN.capture.
// The file is read afresh on every open, so every pass sees its current
// content (a test can heat a drive up between two passes by rewriting it).

#include <array>
#include <string>

#include "core/drive/drive_slot.h"
#include "core/drive/smart_device.h"
#include "core/capture/capture_file.h"

namespace taruk {

class ReplayDeviceOpener : public DeviceOpener {
 public:
  explicit ReplayDeviceOpener(std::string directory) : directory_(std::move(directory)) {}

  // No file: the drive does not open (no such drive). A malformed file does
  // not open either, and Problem tells why; so it does for a capture that
  // opens but gives no drive to show (no size).
  std::unique_ptr<SmartDevice> Open(int driveNumber) override;
  std::string Problem(int driveNumber) const override;

  std::string PathOf(int driveNumber) const;

 private:
  std::string directory_;
  std::array<std::string, kDriveCount> problems_;
  std::array<CaptureFileReader, kDriveCount> readers_;
};

}  // namespace taruk
