#pragma once
// A physical drive on Windows behind a USB bridge, which the storage driver
// does not serve through the S.M.A.R.T. interface. Everything goes through
// IOCTL_SCSI_PASS_THROUGH with commands the core builds: ATA PASS-THROUGH(16)
// or (12) for a SATA disk behind a bridge that passes it, a listed NVMe
// bridge chip's own commands for an NVMe drive in an enclosure, and SCSI
// reads for a disk behind a bridge that passes neither. SAS and SCSI disks
// take the same SCSI reads (SendScsiDataIn) from Win32SmartDevice.

#include <memory>
#include <optional>
#include <string>

#include "core/drive/ata_pass_through.h"
#include "core/drive/nvme_bridge_reading.h"
#include "core/drive/scsi_transport.h"
#include "core/drive/smart_device.h"
#include "win32/device_control.h"

namespace taruk {

// SCSI and SAS disks (and Fibre Channel, iSCSI) speak no ATA: their log
// pages are read instead, once the S.M.A.R.T. interface refused them.
bool IsScsiBusType(uint32_t busType);
constexpr uint32_t kBusTypeUsb = 7;

// A SCSI command that reads, as the core built it (scsi_commands.h), through
// IOCTL_SCSI_PASS_THROUGH: the bytes the device sent, or nothing when the
// request failed or the device did not answer GOOD. A command whose
// transfer length the core does not know is not sent.
std::optional<std::vector<uint8_t>> SendScsiDataIn(ControlledDevice& device, std::span<const uint8_t> cdb);
// A SCSI command without data, as the core built it (SEND DIAGNOSTIC),
// through IOCTL_SCSI_PASS_THROUGH with no data phase: accepted on GOOD,
// refused on CHECK CONDITION; anything else did not reach the drive (why,
// prefixed with `path`).
DriveCommandResult SendScsiNonData(ControlledDevice& device, std::span<const uint8_t> cdb, const std::string& path);

class Win32PassThroughDevice : public SmartDevice, private ScsiTransport {
 public:
  // The disk's `bridge` is probed once per run: `bridgeForm` is the run's
  // memory of how it took the probe (the opener keeps it). Problems go to
  // `problem`, prefixed with `path`.
  Win32PassThroughDevice(std::unique_ptr<ControlledDevice> device, std::string path,
                         std::shared_ptr<std::string> problem, UsbBridge bridge,
                         std::shared_ptr<BridgeAtaForm> bridgeForm);

  // 0x01 once the bridge carries ATA PASS-THROUGH; nothing for a bridge that
  // passes neither form (told with its ids).
  std::optional<uint8_t> DeviceMap() override;
  std::optional<DriveGeometry> Geometry() override;
  bool EnableSmart(int position) override;
  std::optional<Page> Identify(int position, bool packetDevice) override;
  std::optional<Page> SmartData(int position) override;
  std::optional<Page> SmartThresholds(int position) override;
  std::optional<uint8_t> CheckPowerMode(int position) override;
  std::optional<Page> SmartReadLog(int position, uint8_t logAddress) override;
  // A listed NVMe bridge chip is asked Identify Controller once per run,
  // before any ATA command: some make up ATA IDENTIFY data for an NVMe drive.
  DriveBus Bus() override;
  std::optional<NvmeIdentifyData> NvmeIdentifyController() override;
  std::optional<Page> NvmeHealthLogPage() override;
  std::optional<std::vector<uint8_t>> ScsiDataIn(std::span<const uint8_t> cdb) override;
  DriveCommandResult ScsiNonData(std::span<const uint8_t> cdb) override;
  std::optional<UsbBridge> Bridge() override { return bridge_; }
  std::vector<BridgeTransfer> TakeBridgeTraffic() override { return nvme_.TakeTraffic(); }

 private:
  bool Transfer(std::span<const uint8_t> cdb, std::span<uint8_t> dataIn, std::span<const uint8_t> dataOut,
                unsigned timeoutMs) override;
  // One ATA command as ATA PASS-THROUGH in the bridge's form.
  bool RunAta(const IdeRegisters& registers, std::span<uint8_t> dataIn, uint32_t timeoutSeconds,
              std::optional<uint8_t>* returnedCount = nullptr);
  std::optional<Page> ReadPage(const IdeRegisters& registers);
  bool ProbeBridge();
  bool PassesAta() const;
  void Report(const std::string& why);

  std::unique_ptr<ControlledDevice> device_;
  std::string path_;
  std::shared_ptr<std::string> problem_;
  UsbBridge bridge_;
  std::shared_ptr<BridgeAtaForm> bridgeForm_;
  NvmeBridgeDrive nvme_;
  std::optional<Page> probedIdentify_;
  uint32_t denied_ = 0;  // ERROR_ACCESS_DENIED once the system refused a command
};

}  // namespace taruk
