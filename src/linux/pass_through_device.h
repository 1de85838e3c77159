#pragma once
// A physical drive on Linux: the requests of the reading pass sent through
// SG_IO and ATA PASS-THROUGH(16). One Linux block device is one ATA device,
// so its device map only ever marks position 0.

#include <memory>
#include <optional>
#include <string>

#include "core/drive/nvme_bridge_reading.h"
#include "core/drive/smart_device.h"
#include "linux/sg_io_command.h"
#include "linux/usb_nvme_bridge.h"

namespace taruk {

// A disk of `bytes` in sectors of `bytesPerSector` as Windows reports a fixed
// disk: 255 tracks of 63 sectors, whole cylinders.
DriveGeometry WindowsDiskGeometry(uint64_t bytes, uint32_t bytesPerSector);

// BLKGETSIZE64 and BLKSSZGET of an open block device, as above.
std::optional<DriveGeometry> BlockDeviceGeometry(int fd);

class PassThroughDevice : public SmartDevice {
 public:
  // Takes over `fd` (an open whole-disk node) and closes it when destroyed.
  // Why the drive cannot be read goes to `problem`, prefixed with `path`;
  // `permissionHint` says what a refused SG_IO means to the user.
  // A disk behind a USB `bridge` is probed once per run: `bridgeForm` is the
  // run's memory of how its bridge took the probe (the opener keeps it), and
  // a bridge that passed neither form is sent no ATA command again.
  PassThroughDevice(int fd, std::string path, std::shared_ptr<std::string> problem, std::string permissionHint,
                    std::optional<UsbBridge> bridge = std::nullopt,
                    std::shared_ptr<BridgeAtaForm> bridgeForm = nullptr);
  ~PassThroughDevice() override;
  PassThroughDevice(const PassThroughDevice&) = delete;
  PassThroughDevice& operator=(const PassThroughDevice&) = delete;

  // Device map 0x01 when the disk answers IDENTIFY DEVICE through
  // pass-through, 0x11 when it answers IDENTIFY PACKET DEVICE; nothing
  // otherwise. A disk that reports standby to CHECK POWER MODE is 0x01
  // without being asked to identify itself.
  std::optional<uint8_t> DeviceMap() override;
  // The size as Windows reports a fixed disk: 255 tracks of 63 sectors.
  std::optional<DriveGeometry> Geometry() override;
  bool EnableSmart(int position) override;
  // The page the device map's probe already read, when it is the one asked.
  std::optional<Page> Identify(int position, bool packetDevice) override;
  std::optional<Page> SmartData(int position) override;
  std::optional<Page> SmartThresholds(int position) override;
  // Asked once per open (the device lives for one pass); DeviceMap's
  // question is the pass's answer too.
  std::optional<uint8_t> CheckPowerMode(int position) override;
  std::optional<Page> SmartReadLog(int position, uint8_t logAddress) override;
  DriveCommandResult SmartExecuteOffline(int position, uint8_t subcommand) override;
  // A disk that refused the ATA probe may be a SCSI disk: once it answers,
  // the probe's complaint no longer stands. Nothing is sent when the system
  // refused the probe for want of privilege.
  std::optional<std::vector<uint8_t>> ScsiDataIn(std::span<const uint8_t> cdb) override;
  // SEND DIAGNOSTIC, for a disk that answers SCSI commands.
  DriveCommandResult ScsiNonData(std::span<const uint8_t> cdb) override;
  std::optional<UsbBridge> Bridge() override { return bridge_; }
  // An NVMe drive behind a bridge chip the table lists: the first pass of a
  // run asks Identify Controller through the chip's own command, once; a
  // bridge that answers it carries the NVMe reads for the rest of the run,
  // one that does not is probed for ATA as any other.
  DriveBus Bus() override;
  std::optional<NvmeIdentifyData> NvmeIdentifyController() override;
  std::optional<Page> NvmeHealthLogPage() override;
  std::vector<BridgeTransfer> TakeBridgeTraffic() override { return nvme_.TakeTraffic(); }

 private:
  void Report(const std::string& why);
  // Why a command the system refused to send did not reach the drive.
  std::string SystemRefusal(int systemError) const;
  // The identify probe: which identify command the disk answers, if any.
  std::optional<uint8_t> ProbeIdentify();
  // The first ATA command to a bridge not yet probed in this run: IDENTIFY
  // DEVICE in the 16-byte form with a short time-out, then in the 12-byte
  // form. False when neither reached the drive.
  bool ProbeBridge();
  bool BridgeRefused() const { return bridgeForm_ && *bridgeForm_ == BridgeAtaForm::None; }
  bool RecordDenied(int systemError);
  AtaCommandResult Run(const IdeRegisters& registers, std::span<uint8_t> dataIn);
  std::optional<Page> ReadPage(const IdeRegisters& registers);

  struct ProbedIdentify {
    bool packetDevice;
    Page page;
  };

  int fd_;
  std::string path_;
  std::shared_ptr<std::string> problem_;
  std::string permissionHint_;
  bool powerModeAsked_ = false;
  bool deniedAta_ = false;  // the system refused the ATA probe: no privilege
  std::optional<uint8_t> powerMode_;
  std::optional<ProbedIdentify> probed_;
  std::optional<UsbBridge> bridge_;
  std::shared_ptr<BridgeAtaForm> bridgeForm_;
  PassThroughForm form_ = PassThroughForm::Sixteen;
  SgIoTransport transport_;
  NvmeBridgeDrive nvme_;
};

}  // namespace taruk
