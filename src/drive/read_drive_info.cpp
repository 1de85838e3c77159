#include "drive/read_drive_info.h"

#include <cstring>

#include "drive/identify.h"
#include "drive/request_block.h"
#include "drive/smart_attributes.h"

namespace {

uint32_t Le32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void StoreGeometry(const GeometryAnswer& geometry, DriveSlot& slot) {
  int64_t cylinders = 0;
  std::memcpy(&cylinders, geometry.data(), sizeof cylinders);  // little-endian host
  slot.cylinders = cylinders;
  slot.tracksPerCylinder = Le32(geometry.data() + layout::kGeometryTracks);
  slot.sectorsPerTrack = Le32(geometry.data() + layout::kGeometrySectors);
  slot.bytesPerSector = Le32(geometry.data() + layout::kGeometryBytes);
  ComputeCapacity(slot);
}

bool IsAtapi(uint8_t deviceMap, int position) { return (deviceMap >> (position + 4)) & 1; }

}  // namespace

std::unique_ptr<SmartDevice> OpenSmartDevice(DeviceOpener& opener, int driveNumber) {
  // Linux has one way to a physical drive, so there is no platform-family
  // branch here: every drive number opens its own device.
  return opener.Open(driveNumber);
}

bool EnableSmart(SmartDevice& device, int position) {
  CommandAnswer answer{};
  return device.SendDriveCommand(EnableSmartRequest(position), answer);
}

void ReadDriveInfo(DeviceOpener& opener, int driveNumber, DriveSlot& slot) {
  std::unique_ptr<SmartDevice> device = OpenSmartDevice(opener, driveNumber);
  if (!device) return;

  VersionAnswer version{};
  if (!device->GetVersion(version)) return;  // never becomes present
  const uint8_t deviceMap = version[layout::kDeviceMap];

  GeometryAnswer geometry{};
  if (device->GetGeometry(geometry)) StoreGeometry(geometry, slot);

  unsigned smartEnabledMask = 0;
  for (int position = 0; position < 4; ++position) {
    if (!((deviceMap >> position) & 1)) continue;
    const bool atapi = IsAtapi(deviceMap, position);
    if (!atapi && EnableSmart(*device, position)) smartEnabledMask |= 1u << position;
    // Identified whether or not the enable request went through.
    DataAnswer answer{};
    if (device->ReceiveDriveData(IdentifyRequest(position, atapi), answer)) {
      DecodeIdentifyPage(std::span<uint8_t, kPageSize>(answer.data() + layout::kPage, kPageSize), slot);
    }
  }
  // Every position writes into the one slot; the last marked one stands.
  for (int position = 0; position < 4; ++position) {
    if ((smartEnabledMask >> position) & 1) ReadSmartPages(*device, position, slot);
  }
}

void ReadAllDrives(DeviceOpener& opener, DriveSlots& slots) {
  for (int n = 0; n < kDriveCount; ++n) ReadDriveInfo(opener, n, slots[n]);
}
