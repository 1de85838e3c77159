#pragma once
// Opens physical drive N on Windows for the reading pass: \\.\PhysicalDriveN,
// with read and write access as the S.M.A.R.T. requests need. Without
// administrator rights that open is refused; the drive is then opened for
// queries only, which still reads an NVMe drive in full, and an ATA drive's
// refused requests say what is missing.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/drive/drive_slot.h"
#include "core/drive/smart_device.h"
#include "win32/device_control.h"

namespace taruk {

// "\\.\PhysicalDrive2"
std::wstring PhysicalDrivePath(int driveNumber);

// How far the drive numbers are probed: Windows numbers its disks from 0 but
// keeps the numbers of disks removed since it started, so a machine may have
// gaps; twice the drives one run watches leaves room for them.
constexpr int kProbedPhysicalDrives = 2 * kMostDrives;

class Win32DeviceOpener : public DeviceOpener {
 public:
  explicit Win32DeviceOpener(std::unique_ptr<DeviceSystem> system);

  // 0 to kProbedPhysicalDrives - 1: a number without a drive does not open,
  // and costs one refused CreateFileW.
  std::vector<int> DriveNumbers() override;
  // "\\.\PhysicalDrive2"
  std::string DeviceName(int driveNumber) const override;
  std::unique_ptr<SmartDevice> Open(int driveNumber) override;
  std::string Problem(int driveNumber) const override;

 private:
  std::unique_ptr<DeviceSystem> system_;
  // One per drive number, replaced at every Open; the device writes into it
  // when the drive turns out unreadable after it opened.
  std::map<int, std::shared_ptr<std::string>> problems_;
  // How each USB bridge took its probe, by drive and bridge, for the whole
  // run: a bridge is probed once.
  std::map<std::string, std::shared_ptr<BridgeAtaForm>> bridgeForms_;
};

}  // namespace taruk
