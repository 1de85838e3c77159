#pragma once
// A capture is what the reading pass saw: a device wrapped so that every
// answer the pass gets on its way through is also kept, as the capture file
// records it. A refused request leaves its entry empty; a request the pass
// does not send leaves it empty too. An NVMe drive behind a bridge chip is
// kept as the chip's own commands and answers.

#include "core/capture/drive_capture.h"
#include "core/drive/smart_device.h"

namespace taruk {

class RecordingDevice : public SmartDevice {
 public:
  explicit RecordingDevice(SmartDevice& device) : device_(device) {}

  std::optional<uint8_t> DeviceMap() override;
  std::optional<DriveGeometry> Geometry() override;
  bool EnableSmart(int position) override;
  std::optional<Page> Identify(int position, bool packetDevice) override;
  std::optional<Page> SmartData(int position) override;
  std::optional<Page> SmartThresholds(int position) override;
  std::optional<uint8_t> CheckPowerMode(int position) override;
  DriveBus Bus() override;
  std::optional<NvmeIdentifyData> NvmeIdentifyController() override;
  std::optional<Page> NvmeHealthLogPage() override;
  std::optional<uint16_t> NvmeSensorKelvin() override;
  std::optional<Page> SmartReadLog(int position, uint8_t logAddress) override;
  std::optional<NvmeSelfTestLogData> NvmeSelfTestLog() override;
  std::optional<std::vector<uint8_t>> ScsiDataIn(std::span<const uint8_t> cdb) override;
  std::optional<UsbBridge> Bridge() override;

  const DriveCapture& capture() const { return capture_; }
  DriveCapture TakeCapture() { return std::move(capture_); }

 private:
  // An NVMe drive read through its bridge chip is recorded as the chip's
  // answers, not the drive's, so that a replay goes through the chip's
  // scheme as the live pass did.
  void KeepBridgeTraffic();

  SmartDevice& device_;
  DriveCapture capture_;
};

// One reading pass over `device`, treating a drive in standby by `rule` (by
// default identified, not woken), and what it saw.
DriveCapture CaptureDrive(SmartDevice& device, SleepingDrive rule = SleepingDrive::Identify);

}  // namespace taruk
