#include "core/capture/capture_drive.h"

#include <algorithm>

#include "core/drive/request_block.h"
#include "core/drive/geometry_answer.h"

namespace {

std::optional<Page> ReceivePage(SmartDevice& device, const RequestBlock& request) {
  DataAnswer answer{};
  if (!device.ReceiveDriveData(request, answer)) return std::nullopt;
  Page page;
  std::copy_n(answer.begin() + layout::kPage, kPageSize, page.begin());
  return page;
}

}  // namespace

DriveCapture CaptureDrive(SmartDevice& device, SleepingDrive rule) {
  DriveCapture capture;
  VersionAnswer version{};
  if (!device.GetVersion(version)) return capture;
  const uint8_t deviceMap = version[layout::kDeviceMap];
  capture.deviceMap = deviceMap;

  GeometryAnswer geometry{};
  if (device.GetGeometry(geometry)) capture.geometry = DecodeGeometryAnswer(geometry);

  unsigned enabled = 0;
  for (int position = 0; position < 4; ++position) {
    if (!((deviceMap >> position) & 1)) continue;
    const bool atapi = (deviceMap >> (position + 4)) & 1;
    bool asleep = false;
    if (!atapi) {
      capture.powerMode[position] = device.CheckPowerMode(position);
      asleep = capture.powerMode[position] == ata::kPowerModeStandby && rule != SleepingDrive::Wake;
    }
    if (asleep && rule == SleepingDrive::Leave) continue;
    if (!atapi && !asleep) {
      CommandAnswer answer{};
      const bool ok = device.SendDriveCommand(EnableSmartRequest(position), answer);
      capture.enable[position] = ok;
      if (ok) enabled |= 1u << position;
    }
    capture.identify[position] = ReceivePage(device, IdentifyRequest(position, atapi));
  }
  for (int position = 0; position < 4; ++position) {
    if (!((enabled >> position) & 1)) continue;
    capture.smartData[position] = ReceivePage(device, SmartReadDataRequest(position));
    // The pass asks for thresholds only once the data page came.
    if (capture.smartData[position]) {
      capture.smartThresholds[position] = ReceivePage(device, SmartReadThresholdsRequest(position));
    }
  }
  return capture;
}
