#include "core/capture/capture_device.h"

namespace taruk {

namespace {

bool IsPosition(int position) { return position >= 0 && position < 4; }

// The privileged reader hands its answers over as a capture too.
DriveCommandResult NoCommandsFromACapture() {
  return {CommandAnswer::NotDelivered, 0,
          "only read answers reach this drive (a capture, or taruk-smart-reader): starting a self-test needs "
          "taruk itself to hold the privilege (run it as root)"};
}

}  // namespace

std::optional<uint8_t> CaptureDevice::DeviceMap() { return capture_->deviceMap; }

std::optional<DriveGeometry> CaptureDevice::Geometry() { return capture_->geometry; }

bool CaptureDevice::EnableSmart(int position) {
  return IsPosition(position) && capture_->enable[position].value_or(false);
}

std::optional<Page> CaptureDevice::Identify(int position, bool packetDevice) {
  if (!IsPosition(position)) return std::nullopt;
  // An ATA device refuses IDENTIFY PACKET DEVICE and a packet device refuses
  // IDENTIFY DEVICE, so only the command that fits the device map is answered.
  const bool packetAtPosition = capture_->deviceMap && ((*capture_->deviceMap >> (position + 4)) & 1);
  if (packetDevice != packetAtPosition) return std::nullopt;
  return capture_->identify[position];
}

std::optional<Page> CaptureDevice::SmartData(int position) {
  return IsPosition(position) ? capture_->smartData[position] : std::nullopt;
}

std::optional<Page> CaptureDevice::SmartThresholds(int position) {
  return IsPosition(position) ? capture_->smartThresholds[position] : std::nullopt;
}

std::optional<uint8_t> CaptureDevice::CheckPowerMode(int position) {
  if (!IsPosition(position)) return std::nullopt;
  return capture_->powerMode[static_cast<std::size_t>(position)];
}

DriveBus CaptureDevice::Bus() { return capture_->nvme ? DriveBus::Nvme : DriveBus::Ata; }

std::optional<NvmeIdentifyData> CaptureDevice::NvmeIdentifyController() { return capture_->nvmeIdentify; }

std::optional<Page> CaptureDevice::NvmeHealthLogPage() { return capture_->nvmeHealthLog; }

std::optional<uint16_t> CaptureDevice::NvmeSensorKelvin() { return capture_->nvmeSensorKelvin; }

std::optional<Page> CaptureDevice::SmartReadLog(int position, uint8_t logAddress) {
  if (!IsPosition(position)) return std::nullopt;
  const auto& logs = capture_->smartLogs[static_cast<std::size_t>(position)];
  const auto found = logs.find(logAddress);
  if (found == logs.end()) return std::nullopt;
  return found->second;
}

std::optional<NvmeSelfTestLogData> CaptureDevice::NvmeSelfTestLog() { return capture_->nvmeSelfTestLog; }

std::optional<UsbBridge> CaptureDevice::Bridge() { return capture_->usbBridge; }

std::optional<std::vector<uint8_t>> CaptureDevice::ScsiDataIn(std::span<const uint8_t> cdb) {
  const auto found = capture_->scsiAnswers.find(ScsiCdb(cdb.begin(), cdb.end()));
  if (found == capture_->scsiAnswers.end()) return std::nullopt;
  return found->second;
}

DriveCommandResult CaptureDevice::SmartExecuteOffline(int, uint8_t) { return NoCommandsFromACapture(); }

DriveCommandResult CaptureDevice::NvmeDeviceSelfTest(uint8_t) { return NoCommandsFromACapture(); }

DriveCommandResult CaptureDevice::ScsiNonData(std::span<const uint8_t>) { return NoCommandsFromACapture(); }

}  // namespace taruk
