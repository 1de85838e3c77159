#include "core/capture/capture_device.h"

#include <algorithm>

#include "core/drive/nvme_bridge_reading.h"

namespace taruk {

namespace {

bool IsPosition(int position) { return position >= 0 && position < 4; }

// The privileged reader hands its answers over as a capture too.
DriveCommandResult NoCommandsFromACapture() {
  return {CommandAnswer::NotDelivered, 0,
          "only read answers reach this drive (a capture, or taruk-smart-reader): starting a self-test needs "
          "taruk itself to hold the privilege (run it as root)"};
}

NvmeBridgeScheme RecordedScheme(const DriveCapture& capture) {
  if (!capture.usbBridge || capture.bridgeAnswers.empty()) return NvmeBridgeScheme::None;
  return NvmeBridgeSchemeOf(capture.usbBridge->vendor, capture.usbBridge->product);
}

}  // namespace

bool RecordedBridge::Transfer(std::span<const uint8_t> cdb, std::span<uint8_t> dataIn, std::span<const uint8_t> dataOut,
                              unsigned /*timeoutMs*/) {
  const ScsiCdb command(cdb.begin(), cdb.end());
  if (!dataOut.empty()) {
    return capture_.bridgeSent.contains({command, std::vector<uint8_t>(dataOut.begin(), dataOut.end())});
  }
  const auto found = capture_.bridgeAnswers.find(command);
  if (found == capture_.bridgeAnswers.end() || found->second.size() != dataIn.size()) return false;
  std::copy(found->second.begin(), found->second.end(), dataIn.begin());
  return true;
}

bool CaptureDevice::ReadThroughBridge(const NvmeAdminRead& read, std::span<uint8_t> data) const {
  const NvmeBridgeScheme scheme = RecordedScheme(*capture_);
  if (scheme == NvmeBridgeScheme::None) return false;
  RecordedBridge bridge(*capture_);
  return ReadThroughNvmeBridge(bridge, scheme, read, data, 0);
}

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

DriveBus CaptureDevice::Bus() {
  if (capture_->nvme) return DriveBus::Nvme;
  // A capture of the bridge's own answers is an NVMe drive when Identify
  // Controller comes through the chip's scheme, as it did live.
  if (RecordedScheme(*capture_) == NvmeBridgeScheme::None) return DriveBus::Ata;
  return NvmeIdentifyController() ? DriveBus::Nvme : DriveBus::Ata;
}

std::optional<NvmeIdentifyData> CaptureDevice::NvmeIdentifyController() {
  if (capture_->nvmeIdentify) return capture_->nvmeIdentify;
  NvmeIdentifyData data{};
  if (!ReadThroughBridge(IdentifyControllerRead(), data)) return std::nullopt;
  return data;
}

std::optional<Page> CaptureDevice::NvmeHealthLogPage() {
  if (capture_->nvmeHealthLog) return capture_->nvmeHealthLog;
  constexpr uint8_t kHealthLog = 0x02;
  Page page{};
  if (!ReadThroughBridge(LogPageRead(kHealthLog, kPageSize), page)) return std::nullopt;
  return page;
}

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
