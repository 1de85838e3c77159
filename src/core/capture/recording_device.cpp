#include "core/capture/recording_device.h"

#include "core/drive/read_drive_info.h"

namespace taruk {

namespace {

bool IsPosition(int position) { return position >= 0 && position < 4; }

template <typename T>
T Keep(int position, std::array<T, 4>& entries, T answer) {
  if (IsPosition(position)) entries[static_cast<std::size_t>(position)] = answer;
  return answer;
}

}  // namespace

std::optional<uint8_t> RecordingDevice::DeviceMap() { return capture_.deviceMap = device_.DeviceMap(); }

std::optional<DriveGeometry> RecordingDevice::Geometry() { return capture_.geometry = device_.Geometry(); }

bool RecordingDevice::EnableSmart(int position) {
  const bool enabled = device_.EnableSmart(position);
  if (IsPosition(position)) capture_.enable[static_cast<std::size_t>(position)] = enabled;
  return enabled;
}

std::optional<Page> RecordingDevice::Identify(int position, bool packetDevice) {
  return Keep(position, capture_.identify, device_.Identify(position, packetDevice));
}

std::optional<Page> RecordingDevice::SmartData(int position) {
  return Keep(position, capture_.smartData, device_.SmartData(position));
}

std::optional<Page> RecordingDevice::SmartThresholds(int position) {
  return Keep(position, capture_.smartThresholds, device_.SmartThresholds(position));
}

std::optional<uint8_t> RecordingDevice::CheckPowerMode(int position) {
  return Keep(position, capture_.powerMode, device_.CheckPowerMode(position));
}

void RecordingDevice::KeepBridgeTraffic() {
  for (BridgeTransfer& transfer : device_.TakeBridgeTraffic()) {
    if (transfer.dataOut.empty()) {
      // JMicron's response command is the same for every read; any answer
      // kept here said the read succeeded, which is all a replay asks.
      capture_.bridgeAnswers[transfer.cdb] = std::move(transfer.dataIn);
    } else {
      capture_.bridgeSent.emplace(std::move(transfer.cdb), std::move(transfer.dataOut));
    }
  }
  // Drive lines would be replayed ahead of the chip's answers.
  if (!capture_.bridgeAnswers.empty()) {
    capture_.nvme = false;
    capture_.nvmeIdentify.reset();
    capture_.nvmeHealthLog.reset();
  }
}

DriveBus RecordingDevice::Bus() {
  const DriveBus bus = device_.Bus();
  capture_.nvme = bus == DriveBus::Nvme;
  KeepBridgeTraffic();
  return bus;
}

std::optional<NvmeIdentifyData> RecordingDevice::NvmeIdentifyController() {
  std::optional<NvmeIdentifyData> data = capture_.nvmeIdentify = device_.NvmeIdentifyController();
  KeepBridgeTraffic();
  return data;
}

std::optional<Page> RecordingDevice::NvmeHealthLogPage() {
  std::optional<Page> page = capture_.nvmeHealthLog = device_.NvmeHealthLogPage();
  KeepBridgeTraffic();
  return page;
}

std::optional<uint16_t> RecordingDevice::NvmeSensorKelvin() {
  return capture_.nvmeSensorKelvin = device_.NvmeSensorKelvin();
}

std::optional<Page> RecordingDevice::SmartReadLog(int position, uint8_t logAddress) {
  std::optional<Page> page = device_.SmartReadLog(position, logAddress);
  if (page && IsPosition(position)) capture_.smartLogs[static_cast<std::size_t>(position)][logAddress] = *page;
  return page;
}

std::optional<NvmeSelfTestLogData> RecordingDevice::NvmeSelfTestLog() {
  return capture_.nvmeSelfTestLog = device_.NvmeSelfTestLog();
}

std::optional<std::vector<uint8_t>> RecordingDevice::ScsiDataIn(std::span<const uint8_t> cdb) {
  std::optional<std::vector<uint8_t>> answer = device_.ScsiDataIn(cdb);
  if (answer) capture_.scsiAnswers[ScsiCdb(cdb.begin(), cdb.end())] = *answer;
  return answer;
}

std::optional<UsbBridge> RecordingDevice::Bridge() { return capture_.usbBridge = device_.Bridge(); }

DriveCapture CaptureDrive(SmartDevice& device, SleepingDrive rule) {
  RecordingDevice recording(device);
  DriveSlot seen;
  ReadDrive(recording, rule, seen);
  return recording.TakeCapture();
}

}  // namespace taruk
