#pragma once
// Opens physical drive N on Windows for the reading pass: \\.\PhysicalDriveN,
// with read and write access as the S.M.A.R.T. requests need. Without
// administrator rights that open is refused; the drive is then opened for
// queries only, which still reads an NVMe drive in full, and an ATA drive's
// refused requests say what is missing.

#include <array>
#include <memory>
#include <string>

#include "core/drive/drive_slot.h"
#include "core/drive/smart_device.h"
#include "win32/device_control.h"

namespace taruk {

// "\\.\PhysicalDrive2"
std::wstring PhysicalDrivePath(int driveNumber);

class Win32DeviceOpener : public DeviceOpener {
 public:
  explicit Win32DeviceOpener(std::unique_ptr<DeviceSystem> system);

  std::unique_ptr<SmartDevice> Open(int driveNumber) override;
  std::string Problem(int driveNumber) const override;

 private:
  std::unique_ptr<DeviceSystem> system_;
  // One per drive number, replaced at every Open; the device writes into it
  // when the drive turns out unreadable after it opened.
  std::array<std::shared_ptr<std::string>, kDriveCount> problems_;
};

}  // namespace taruk
