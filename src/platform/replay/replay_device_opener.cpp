#include "platform/replay/replay_device_opener.h"

#include "platform/replay/capture_device.h"
#include "platform/replay/capture_file.h"

std::string ReplayDeviceOpener::PathOf(int driveNumber) const {
  std::string path = directory_;
  if (!path.empty() && path.back() != '/') path += '/';
  return path + "drive" + std::to_string(driveNumber) + ".capture";
}

std::unique_ptr<SmartDevice> ReplayDeviceOpener::Open(int driveNumber) {
  if (driveNumber < 0 || driveNumber >= kDriveCount) return nullptr;
  std::string& problem = problems_[driveNumber];
  problem.clear();
  DriveCapture capture;
  switch (ReadCaptureFile(PathOf(driveNumber), capture, problem)) {
    case CaptureFileStatus::Loaded:
      return std::make_unique<CaptureDevice>(std::move(capture));
    case CaptureFileStatus::Missing:
    case CaptureFileStatus::Bad:
      break;
  }
  return nullptr;
}

std::string ReplayDeviceOpener::Problem(int driveNumber) const {
  if (driveNumber < 0 || driveNumber >= kDriveCount) return {};
  return problems_[driveNumber];
}
