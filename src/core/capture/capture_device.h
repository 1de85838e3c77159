#pragma once
// A drive that answers the requests of the reading pass from a capture held
// in memory. A request the capture has no answer for fails, and so does one
// for a position beyond 3 or an IDENTIFY that does not fit the device map:
// a real drive would not answer them either.

#include <memory>

#include "core/capture/drive_capture.h"
#include "core/drive/nvme_bridge_commands.h"
#include "core/drive/scsi_transport.h"
#include "core/drive/smart_device.h"

namespace taruk {

// The bridge chip of a capture that recorded its own commands: a command
// gets the answer recorded for exactly its bytes, and a block goes out only
// when the chip took exactly that block.
class RecordedBridge : public ScsiTransport {
 public:
  // `capture` outlives the bridge.
  explicit RecordedBridge(const DriveCapture& capture) : capture_(capture) {}
  bool Transfer(std::span<const uint8_t> cdb, std::span<uint8_t> dataIn, std::span<const uint8_t> dataOut,
                unsigned timeoutMs) override;

 private:
  const DriveCapture& capture_;
};

class CaptureDevice : public SmartDevice {
 public:
  explicit CaptureDevice(DriveCapture capture) : capture_(std::make_shared<const DriveCapture>(std::move(capture))) {}
  // Shared with whoever keeps it (a replay file's reader), never copied.
  explicit CaptureDevice(std::shared_ptr<const DriveCapture> capture) : capture_(std::move(capture)) {}

  std::optional<uint8_t> DeviceMap() override;
  std::optional<DriveGeometry> Geometry() override;
  bool EnableSmart(int position) override;
  std::optional<Page> Identify(int position, bool packetDevice) override;
  std::optional<Page> SmartData(int position) override;
  std::optional<Page> SmartThresholds(int position) override;
  // The `power-mode P` line; none: the command fails.
  std::optional<uint8_t> CheckPowerMode(int position) override;
  // An NVMe drive: `interface nvme`, or the answers of a listed NVMe bridge
  // chip to its own commands, through which Identify Controller and the
  // health log are read as live.
  DriveBus Bus() override;
  std::optional<NvmeIdentifyData> NvmeIdentifyController() override;
  std::optional<Page> NvmeHealthLogPage() override;
  std::optional<uint16_t> NvmeSensorKelvin() override;
  std::optional<Page> SmartReadLog(int position, uint8_t logAddress) override;
  std::optional<NvmeSelfTestLogData> NvmeSelfTestLog() override;
  // The answer recorded for exactly these command bytes.
  std::optional<std::vector<uint8_t>> ScsiDataIn(std::span<const uint8_t> cdb) override;
  std::optional<UsbBridge> Bridge() override;
  // A capture holds answers only: a self-test needs the drive itself.
  DriveCommandResult SmartExecuteOffline(int position, uint8_t subcommand) override;
  DriveCommandResult NvmeDeviceSelfTest(uint8_t code) override;
  DriveCommandResult ScsiNonData(std::span<const uint8_t> cdb) override;

 private:
  bool ReadThroughBridge(const NvmeAdminRead& read, std::span<uint8_t> data) const;

  std::shared_ptr<const DriveCapture> capture_;
};

}  // namespace taruk
