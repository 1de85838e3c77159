#include "core/capture/replay_device_opener.h"

#include "core/capture/capture_device.h"

namespace taruk {

std::string ReplayDeviceOpener::PathOf(int driveNumber) const {
  std::string path = directory_;
  if (!path.empty() && path.back() != '/') path += '/';
  return path + "drive" + std::to_string(driveNumber) + ".capture";
}

std::unique_ptr<SmartDevice> ReplayDeviceOpener::Open(int driveNumber) {
  if (driveNumber < 0 || driveNumber >= kDriveCount) return nullptr;
  std::string& problem = problems_[driveNumber];
  problem.clear();
  // A missing file leaves the problem empty: there is simply no such drive.
  DriveCapture capture;
  if (readers_[driveNumber].Read(PathOf(driveNumber), capture, problem) != CaptureFileStatus::Loaded) {
    return nullptr;
  }
  return std::make_unique<CaptureDevice>(std::move(capture));
}

std::string ReplayDeviceOpener::Problem(int driveNumber) const {
  if (driveNumber < 0 || driveNumber >= kDriveCount) return {};
  return problems_[driveNumber];
}

}  // namespace taruk
