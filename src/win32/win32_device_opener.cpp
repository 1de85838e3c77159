#include <windows.h>

#include "win32/win32_device_opener.h"

#include "core/base/utf8_text.h"
#include "win32/drive_problem_text.h"
#include "win32/win32_pass_through_device.h"
#include "win32/win32_smart_device.h"

namespace taruk {

std::wstring PhysicalDrivePath(int driveNumber) { return L"\\\\.\\PhysicalDrive" + std::to_wstring(driveNumber); }

Win32DeviceOpener::Win32DeviceOpener(std::unique_ptr<DeviceSystem> system) : system_(std::move(system)) {}

std::vector<int> Win32DeviceOpener::DriveNumbers() {
  std::vector<int> numbers(kProbedPhysicalDrives);
  for (int n = 0; n < kProbedPhysicalDrives; ++n) numbers[static_cast<size_t>(n)] = n;
  return numbers;
}

std::string Win32DeviceOpener::DeviceName(int driveNumber) const { return ToUtf8(PhysicalDrivePath(driveNumber)); }

std::unique_ptr<SmartDevice> Win32DeviceOpener::Open(int driveNumber) {
  if (driveNumber < 0) return nullptr;
  auto problem = std::make_shared<std::string>();
  problems_[driveNumber] = problem;

  const std::wstring path = PhysicalDrivePath(driveNumber);
  const std::string pathText = ToUtf8(path);
  OpenedDevice opened = system_->Open(path, DeviceAccess::ReadWrite);
  if (!opened.device && opened.error == ERROR_ACCESS_DENIED) {
    // Not an administrator. A handle that asks for no access still gets the
    // bus, the geometry and an NVMe drive's data; the S.M.A.R.T. version
    // request is then refused and tells the user so.
    opened = system_->Open(path, DeviceAccess::QueryOnly);
  }
  if (!opened.device) {
    // No such drive number: nothing to say.
    if (opened.error == ERROR_ACCESS_DENIED) {
      *problem = pathText + ": access denied: " + kNeedsAdministratorHint;
    } else if (opened.error != ERROR_FILE_NOT_FOUND && opened.error != ERROR_PATH_NOT_FOUND) {
      *problem = pathText + ": " + SystemErrorWords(opened.error);
    }
    return nullptr;
  }
  // A disk behind a USB bridge takes the SCSI pass-through; the rest the
  // S.M.A.R.T. interface or the NVMe queries (and a SCSI disk its log pages).
  const std::optional<uint32_t> busType = QueryBusType(*opened.device);
  if (busType == kBusTypeUsb) {
    UsbBridge bridge = system_->UsbBridgeOf(path).value_or(UsbBridge{});
    // Another bridge plugged in under the same number is probed afresh.
    std::shared_ptr<BridgeAtaForm>& form = bridgeForms_[pathText + " " + UsbBridgeText(bridge)];
    if (!form) form = std::make_shared<BridgeAtaForm>(BridgeAtaForm::Unknown);
    return std::make_unique<Win32PassThroughDevice>(std::move(opened.device), pathText, problem, bridge, form);
  }
  return std::make_unique<Win32SmartDevice>(std::move(opened.device), pathText, problem, busType);
}

std::string Win32DeviceOpener::Problem(int driveNumber) const {
  const auto found = problems_.find(driveNumber);
  if (found == problems_.end() || !found->second) return {};
  return *found->second;
}

}  // namespace taruk
