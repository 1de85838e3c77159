#include "core/drive/read_drive_info.h"

#include "core/drive/identify.h"
#include "core/drive/nvme_health_log.h"
#include "core/drive/nvme_identify.h"
#include "core/drive/scsi_reading.h"
#include "core/drive/self_test_reading.h"
#include "core/drive/smart_attributes.h"

namespace taruk {

namespace {

void StoreGeometry(const DriveGeometry& geometry, DriveSlot& slot) {
  slot.cylinders = geometry.cylinders;
  slot.tracksPerCylinder = geometry.tracksPerCylinder;
  slot.sectorsPerTrack = geometry.sectorsPerTrack;
  slot.bytesPerSector = geometry.bytesPerSector;
  ComputeCapacity(slot);
}

// An NVMe drive has no sleep to spare it and no device map: its size, its
// identity and its health log. A failed log read keeps the slot's last log,
// as a failed ATA page does.
void ReadNvmeDrive(SmartDevice& device, DriveSlot& slot) {
  slot.bus = DriveBus::Nvme;
  if (const std::optional<DriveGeometry> geometry = device.Geometry()) StoreGeometry(*geometry, slot);
  const std::optional<NvmeIdentifyData> identify = device.NvmeIdentifyController();
  if (identify) DecodeNvmeIdentify(*identify, slot);
  if (const std::optional<Page> page = device.NvmeHealthLogPage()) {
    if (const std::optional<NvmeHealthLog> log = DecodeNvmeHealthLog(*page)) {
      StoreNvmeHealthLog(*log, slot);
      StoreNvmeErrorCount(slot, slot.selfTest);
      // Identify data made up from sysfs texts (no right to ask the drive)
      // says nothing of self-tests; a log read shows the drive answered.
      if (identify) ReadNvmeSelfTests(device, *identify, slot.selfTest);
      return;
    }
  }
  // Without the log the temperature alarm still works, from the sensor.
  if (!slot.nvmeLog) {
    if (const std::optional<uint16_t> kelvin = device.NvmeSensorKelvin()) {
      slot.temperature = NvmeTemperatureCelsius(*kelvin);
    }
  }
}

bool IsAtapi(uint8_t deviceMap, int position) { return (deviceMap >> (position + 4)) & 1; }

}  // namespace

std::unique_ptr<SmartDevice> OpenSmartDevice(DeviceOpener& opener, int driveNumber, SleepingDrive rule) {
  // Linux has one way to a physical drive, so there is no platform-family
  // branch here: every drive number opens its own device.
  return opener.OpenForPass(driveNumber, rule);
}

bool CheckPowerMode(SmartDevice& device, int position, DriveSlot& slot) {
  const std::optional<uint8_t> mode = device.CheckPowerMode(position);
  if (!mode) {
    slot.powerMode = PowerMode::Unknown;
    return false;
  }
  // Only 0x00 is standby; idle and every other answer read as today.
  slot.powerMode = *mode == ata::kPowerModeStandby ? PowerMode::Standby : PowerMode::Active;
  return slot.powerMode == PowerMode::Standby;
}

SleepingDrive SleepingDriveRule(const DriveSlot& slot, bool wake) {
  if (wake) return SleepingDrive::Wake;
  return slot.IsPresent() ? SleepingDrive::Leave : SleepingDrive::Identify;
}

void ReadDriveInfo(DeviceOpener& opener, int driveNumber, DriveSlot& slot, bool wake) {
  // Decided before the geometry makes a new drive present.
  const SleepingDrive rule = SleepingDriveRule(slot, wake);
  slot.powerMode = PowerMode::Unknown;
  std::unique_ptr<SmartDevice> device = OpenSmartDevice(opener, driveNumber, rule);
  if (device) ReadDrive(*device, rule, slot);
}

void ReadDrive(SmartDevice& device, SleepingDrive rule, DriveSlot& slot) {
  slot.usbBridge = device.Bridge();
  if (device.Bus() == DriveBus::Nvme) {
    ReadNvmeDrive(device, slot);
    return;
  }
  const std::optional<uint8_t> map = device.DeviceMap();
  if (!map) {
    // Not ATA: perhaps a SCSI disk; otherwise it never becomes present.
    ReadScsiDrive(device, rule, slot);
    return;
  }
  const uint8_t deviceMap = *map;

  if (const std::optional<DriveGeometry> geometry = device.Geometry()) StoreGeometry(*geometry, slot);

  unsigned smartEnabledMask = 0;
  std::array<std::optional<Page>, 4> identified;
  for (int position = 0; position < 4; ++position) {
    if (!((deviceMap >> position) & 1)) continue;
    const bool atapi = IsAtapi(deviceMap, position);
    // A packet device has no S.M.A.R.T. pages to read and is not checked.
    const bool asleep = !atapi && CheckPowerMode(device, position, slot) && rule != SleepingDrive::Wake;
    if (asleep && rule == SleepingDrive::Leave) continue;
    // Enabling S.M.A.R.T. may spin a drive up; a sleeping one is not enabled
    // and so not read.
    if (!atapi && !asleep && device.EnableSmart(position)) smartEnabledMask |= 1u << position;
    // Identified whether or not the enable request went through.
    identified[position] = device.Identify(position, atapi);
    if (identified[position]) DecodeIdentifyPage(*identified[position], slot);
  }
  // Every position writes into the one slot; the last marked one stands.
  for (int position = 0; position < 4; ++position) {
    if (!((smartEnabledMask >> position) & 1)) continue;
    if (const std::optional<Page> data = ReadSmartPages(device, position, slot)) {
      ReadAtaSelfTests(device, position, identified[position], *data, slot.selfTest);
    }
  }
}

}  // namespace taruk
