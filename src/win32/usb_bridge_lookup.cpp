// Win32DeviceSystem::UsbBridgeOf: which USB device a physical drive sits
// behind, from the device tree, with documented SetupAPI and CfgMgr32
// calls only. Nothing here sends the drive a command.

#include <windows.h>

#include <cfgmgr32.h>
#include <setupapi.h>
#include <winioctl.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "core/base/utf8_text.h"
#include "win32/win32_device_system.h"

namespace taruk {

namespace {

// GUID_DEVINTERFACE_DISK, as Microsoft documents it (ntddstor.h).
constexpr GUID kDiskInterface = {0x53f56307, 0xb6bf, 0x11d0, {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};
// How far up the tree a USB device may sit above its disk (disk, its
// storage function or SCSI target, the USB interface, the USB device).
constexpr int kMostLevelsUp = 6;

std::optional<STORAGE_DEVICE_NUMBER> DeviceNumberOf(const wchar_t* path) {
  // No access is asked: the number is a query any user may make.
  const HANDLE handle = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  STORAGE_DEVICE_NUMBER number{};
  DWORD bytes = 0;
  const BOOL got =
      DeviceIoControl(handle, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number, sizeof number, &bytes, nullptr);
  CloseHandle(handle);
  if (!got || bytes < sizeof number) return std::nullopt;
  return number;
}

// The device instance of the disk interface with this device number.
std::optional<DEVINST> DiskInstance(const STORAGE_DEVICE_NUMBER& wanted) {
  const HDEVINFO set = SetupDiGetClassDevsW(&kDiskInterface, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<DEVINST> found;
  SP_DEVICE_INTERFACE_DATA iface{};
  iface.cbSize = sizeof iface;
  for (DWORD i = 0; !found && SetupDiEnumDeviceInterfaces(set, nullptr, &kDiskInterface, i, &iface); ++i) {
    DWORD needed = 0;
    SetupDiGetDeviceInterfaceDetailW(set, &iface, nullptr, 0, &needed, nullptr);
    if (needed < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) continue;
    std::vector<uint8_t> buffer(needed, 0);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    if (!SetupDiGetDeviceInterfaceDetailW(set, &iface, detail, needed, nullptr, &device)) continue;
    const std::optional<STORAGE_DEVICE_NUMBER> number = DeviceNumberOf(detail->DevicePath);
    if (number && number->DeviceType == wanted.DeviceType && number->DeviceNumber == wanted.DeviceNumber) {
      found = device.DevInst;
    }
  }
  SetupDiDestroyDeviceInfoList(set);
  return found;
}

std::string InstanceId(DEVINST instance) {
  wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
  if (CM_Get_Device_IDW(instance, id, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS) return {};
  return ToUtf8(id);
}

// A registry property of a device as text: the first string of a list.
std::string DeviceProperty(DEVINST instance, ULONG property) {
  wchar_t text[512] = {};
  ULONG size = sizeof text - sizeof(wchar_t);
  if (CM_Get_DevNode_Registry_PropertyW(instance, property, nullptr, text, &size, 0) != CR_SUCCESS) return {};
  return ToUtf8(text);
}

}  // namespace

std::optional<UsbBridge> Win32DeviceSystem::UsbBridgeOf(const std::wstring& path) {
  const std::optional<STORAGE_DEVICE_NUMBER> number = DeviceNumberOf(path.c_str());
  if (!number) return std::nullopt;
  std::optional<DEVINST> instance = DiskInstance(*number);
  for (int level = 0; instance && level < kMostLevelsUp; ++level) {
    DEVINST parent = 0;
    if (CM_Get_Parent(&parent, *instance, 0) != CR_SUCCESS) return std::nullopt;
    instance = parent;
    std::optional<UsbBridge> bridge = UsbBridgeFromDeviceId(InstanceId(parent));
    if (!bridge) continue;
    // The hardware id carries the release ("USB\VID_...&PID_...&REV_0100").
    if (const auto withRelease = UsbBridgeFromDeviceId(DeviceProperty(parent, CM_DRP_HARDWAREID))) {
      bridge->release = withRelease->release;
    }
    // The driver service of the USB storage function: USBSTOR or UASPStor.
    std::string service = DeviceProperty(parent, CM_DRP_SERVICE);
    std::transform(service.begin(), service.end(), service.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    if (IsUsbDriverName(service)) bridge->driver = service;
    return bridge;
  }
  return std::nullopt;
}

}  // namespace taruk
