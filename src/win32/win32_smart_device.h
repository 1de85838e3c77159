#pragma once
// A physical drive on Windows (\\.\PhysicalDriveN): the requests of the
// reading pass as the driver's control codes. ATA drives answer through the
// S.M.A.R.T. interface with the request blocks of core/drive/request_block.h;
// NVMe drives through the storage driver's protocol-specific queries, which
// hand back the same Identify Controller data and health log the Linux
// admin commands read.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/drive/smart_device.h"
#include "win32/device_control.h"
#include "win32/drive_ioctl_buffers.h"

namespace taruk {

// CHECK POWER MODE answers at once; a drive that takes longer is not worth
// waiting for (the driver's own limit, in seconds).
constexpr uint32_t kAtaPassThroughTimeoutSeconds = 10;

// The storage device descriptor's bus type (STORAGE_BUS_TYPE); nothing when
// the driver does not say.
std::optional<uint32_t> QueryBusType(ControlledDevice& device);

class Win32SmartDevice : public SmartDevice {
 public:
  // `path` names the drive in problems; why the drive cannot be read goes to
  // `problem`.
  // `busType`, when the opener already asked it, is not asked again.
  Win32SmartDevice(std::unique_ptr<ControlledDevice> device, std::string path, std::shared_ptr<std::string> problem,
                   std::optional<uint32_t> busType = std::nullopt);

  // SMART_GET_VERSION's bIDEDeviceMap.
  std::optional<uint8_t> DeviceMap() override;
  // IOCTL_DISK_GET_DRIVE_GEOMETRY.
  std::optional<DriveGeometry> Geometry() override;
  // SMART_SEND_DRIVE_COMMAND; SMART_RCV_DRIVE_DATA for the three pages.
  bool EnableSmart(int position) override;
  std::optional<Page> Identify(int position, bool packetDevice) override;
  std::optional<Page> SmartData(int position) override;
  std::optional<Page> SmartThresholds(int position) override;
  // IOCTL_ATA_PASS_THROUGH. The S.M.A.R.T. interface carries no other
  // command; a driver without ATA pass-through leaves the mode unknown and the
  // drive is read as if awake.
  std::optional<uint8_t> CheckPowerMode(int position) override;
  // The storage device descriptor's bus type, asked once.
  DriveBus Bus() override;
  // A disk on a SCSI bus (SAS, SCSI, Fibre Channel, iSCSI) that the
  // S.M.A.R.T. interface refused: IOCTL_SCSI_PASS_THROUGH. Any other disk
  // sends none, as a SATA disk would answer through the system's
  // translation and pass for a SCSI disk.
  std::optional<std::vector<uint8_t>> ScsiDataIn(std::span<const uint8_t> cdb) override;
  // The same pass-through, with no data phase, for the self-test commands of
  // a disk on a SCSI bus.
  DriveCommandResult ScsiNonData(std::span<const uint8_t> cdb) override;
  std::optional<NvmeIdentifyData> NvmeIdentifyController() override;
  std::optional<Page> NvmeHealthLogPage() override;
  std::optional<NvmeSelfTestLogData> NvmeSelfTestLog() override;
  // IOCTL_STORAGE_PROTOCOL_COMMAND, which stornvme passes for Device
  // Self-test alone among the admin commands.
  DriveCommandResult NvmeDeviceSelfTest(uint8_t code) override;
  // SMART_RCV_DRIVE_DATA with a SMART READ LOG request block.
  std::optional<Page> SmartReadLog(int position, uint8_t logAddress) override;
  // SMART_SEND_DRIVE_COMMAND starts a test; the abort (7Fh) goes through
  // IOCTL_ATA_PASS_THROUGH, as the S.M.A.R.T. interface does not pass it.
  DriveCommandResult SmartExecuteOffline(int position, uint8_t subcommand) override;

 private:
  void Report(const std::string& why);
  std::optional<Page> ReadPage(const RequestBlock& request);
  // One protocol-specific query; false (and a problem) when it fails.
  bool QueryNvme(ioctl::NvmeQuery query, std::span<uint8_t> data);

  std::unique_ptr<ControlledDevice> device_;
  std::string path_;
  std::shared_ptr<std::string> problem_;
  std::optional<DriveBus> bus_;
  bool scsiBus_ = false;
};

}  // namespace taruk
