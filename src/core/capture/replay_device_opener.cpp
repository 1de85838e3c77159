#include "core/capture/replay_device_opener.h"

#include <algorithm>

#include "core/base/folder_entries.h"
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

int CaptureDriveNumber(const std::string& fileName) {
  const std::string prefix = "drive";
  const std::string suffix = ".capture";
  if (fileName.size() <= prefix.size() + suffix.size() || !fileName.starts_with(prefix) ||
      !fileName.ends_with(suffix)) {
    return -1;
  }
  const std::string digits = fileName.substr(prefix.size(), fileName.size() - prefix.size() - suffix.size());
  // One spelling per number, so that drive1 and drive01 cannot be one drive twice.
  if (digits.size() > 6 || (digits.size() > 1 && digits[0] == '0')) return -1;
  int number = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    number = number * 10 + (c - '0');
  }
  return number;
}

std::string ReplayDeviceOpener::PathOf(int driveNumber) const {
  std::string path = directory_;
  if (!path.empty() && path.back() != '/') path += '/';
  return path + DeviceName(driveNumber);
}

std::string ReplayDeviceOpener::DeviceName(int driveNumber) const {
  return "drive" + std::to_string(driveNumber) + ".capture";
}

std::vector<int> ReplayDeviceOpener::DriveNumbers() {
  std::vector<int> numbers;
  for (const std::string& name : FolderEntries(directory_)) {
    const int number = CaptureDriveNumber(name);
    if (number >= 0) numbers.push_back(number);
  }
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

std::unique_ptr<SmartDevice> ReplayDeviceOpener::Open(int driveNumber) {
  if (driveNumber < 0) return nullptr;
  std::string& problem = problems_[driveNumber];
  problem.clear();
  // A missing file leaves the problem empty: there is simply no such drive.
  std::shared_ptr<const DriveCapture> capture;
  if (readers_[driveNumber].Read(PathOf(driveNumber), capture, problem) != CaptureFileStatus::Loaded) {
    return nullptr;
  }
  // Replayed all the same: it is what the drive answered.
  if (const std::string why = WhyNotShown(*capture); !why.empty()) problem = PathOf(driveNumber) + ": " + why;
  return std::make_unique<CaptureDevice>(std::move(capture));
}

std::string ReplayDeviceOpener::Problem(int driveNumber) const {
  const auto found = problems_.find(driveNumber);
  return found == problems_.end() ? std::string() : found->second;
}

}  // namespace taruk
