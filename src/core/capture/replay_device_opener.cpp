#include "core/capture/replay_device_opener.h"

#include "core/capture/capture_device.h"
#include "core/drive/identify.h"

namespace taruk {

namespace {

// Why a drive that answered is still not shown: the reading pass takes a
// drive's presence from its size, so without one the report would only say
// that no drive answered. (A capture without a device map is a drive that
// did not answer at all.)
std::string WhyNotShown(const DriveCapture& capture) {
  if (!capture.nvme && !capture.deviceMap) return {};
  if (!capture.geometry) return "no geometry line: the drive has no size, so it is not shown";
  DriveSlot sized;
  sized.cylinders = capture.geometry->cylinders;
  sized.tracksPerCylinder = capture.geometry->tracksPerCylinder;
  sized.sectorsPerTrack = capture.geometry->sectorsPerTrack;
  sized.bytesPerSector = capture.geometry->bytesPerSector;
  ComputeCapacity(sized);
  if (sized.IsPresent()) return {};
  return "geometry " + std::to_string(sized.cylinders) + " " + std::to_string(sized.tracksPerCylinder) + " " +
         std::to_string(sized.sectorsPerTrack) + " " + std::to_string(sized.bytesPerSector) +
         " gives the drive no size, so it is not shown";
}

}  // namespace

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
  // Replayed all the same: it is what the drive answered.
  if (const std::string why = WhyNotShown(capture); !why.empty()) problem = PathOf(driveNumber) + ": " + why;
  return std::make_unique<CaptureDevice>(std::move(capture));
}

std::string ReplayDeviceOpener::Problem(int driveNumber) const {
  if (driveNumber < 0 || driveNumber >= kDriveCount) return {};
  return problems_[driveNumber];
}

}  // namespace taruk
