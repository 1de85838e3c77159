#include "linux/pass_through_device.h"

#include <errno.h>
#include <linux/fs.h>
#include <string.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <span>

#include "core/drive/request_block.h"
#include "linux/sg_io_command.h"
#include "linux/usb_nvme_bridge.h"

namespace taruk {

namespace {

// One Linux block device is one device, at position 0 of the map.
constexpr uint8_t kMapAtaAtPosition0 = 0x01;
constexpr uint8_t kMapPacketAtPosition0 = 0x11;

// The geometry Windows reports for a fixed disk of any size.
constexpr uint32_t kTracksPerCylinder = 255;
constexpr uint32_t kSectorsPerTrack = 63;

// A bridge that does not know a command may take long to say so, or reset
// the drive: the first question to it does not wait as long as a drive
// spinning up may need.
constexpr unsigned kBridgeProbeTimeoutMs = 5000;

}  // namespace

PassThroughDevice::PassThroughDevice(int fd, std::string path, std::shared_ptr<std::string> problem,
                                     std::string permissionHint, std::optional<UsbBridge> bridge,
                                     std::shared_ptr<BridgeAtaForm> bridgeForm)
    : fd_(fd),
      path_(std::move(path)),
      problem_(std::move(problem)),
      permissionHint_(std::move(permissionHint)),
      bridge_(std::move(bridge)),
      bridgeForm_(bridge_ ? std::move(bridgeForm) : nullptr),
      transport_(fd_),
      nvme_(transport_, bridgeForm_ ? NvmeBridgeSchemeOf(bridge_->vendor, bridge_->product) : NvmeBridgeScheme::None,
            bridgeForm_, kBridgeProbeTimeoutMs, kSgIoTimeoutMs) {
  if (bridgeForm_ && *bridgeForm_ == BridgeAtaForm::PassThrough12) form_ = PassThroughForm::Twelve;
}

DriveBus PassThroughDevice::Bus() { return nvme_.IsNvme() ? DriveBus::Nvme : DriveBus::Ata; }

std::optional<NvmeIdentifyData> PassThroughDevice::NvmeIdentifyController() { return nvme_.IdentifyController(); }

std::optional<Page> PassThroughDevice::NvmeHealthLogPage() {
  if (!nvme_.IsNvme()) return std::nullopt;
  std::optional<Page> page = nvme_.HealthLog();
  if (!page) Report("the NVMe health log did not come through the USB bridge (" + UsbIdText(*bridge_) + ")");
  return page;
}

PassThroughDevice::~PassThroughDevice() { close(fd_); }

void PassThroughDevice::Report(const std::string& why) {
  if (problem_) *problem_ = path_ + ": " + why;
}

AtaCommandResult PassThroughDevice::Run(const IdeRegisters& registers, std::span<uint8_t> dataIn) {
  // Nothing goes to a bridge that passed no ATA command: it never reaches the drive.
  if (BridgeRefused()) return AtaCommandResult{false, EOPNOTSUPP, std::nullopt, std::nullopt};
  return RunAtaCommand(fd_, registers, dataIn, kSgIoTimeoutMs, form_);
}

std::optional<Page> PassThroughDevice::ReadPage(const IdeRegisters& registers) {
  Page page{};
  if (!Run(registers, page).succeeded) return std::nullopt;
  return page;
}

std::optional<uint8_t> PassThroughDevice::DeviceMap() {
  // Windows knows from the driver whether a disk speaks ATA; here the disk
  // has to show it. The power mode comes first: a sleeping disk shows it by
  // that answer alone, and the pass then sends it nothing more.
  if (bridgeForm_ && *bridgeForm_ == BridgeAtaForm::Unknown && !ProbeBridge()) return std::nullopt;
  if (BridgeRefused()) {
    Report(BridgeRefusalText(*bridge_));
    return std::nullopt;
  }
  if (CheckPowerMode(0) == ata::kPowerModeStandby) return kMapAtaAtPosition0;
  if (probed_) return kMapAtaAtPosition0;
  return ProbeIdentify();
}

bool PassThroughDevice::RecordDenied(int systemError) {
  if (systemError != EPERM && systemError != EACCES) return false;
  deniedAta_ = true;
  Report("permission denied: " + permissionHint_);
  return true;
}

bool PassThroughDevice::ProbeBridge() {
  Page page{};
  AtaCommandResult result =
      RunAtaCommand(fd_, IdentifyRegisters(0, false), page, kBridgeProbeTimeoutMs, PassThroughForm::Sixteen);
  // Without the privilege nothing reached the bridge: it stays unprobed.
  if (RecordDenied(result.systemError)) return false;
  form_ = PassThroughForm::Sixteen;
  if (!result.succeeded) {
    result = RunAtaCommand(fd_, IdentifyRegisters(0, false), page, kBridgeProbeTimeoutMs, PassThroughForm::Twelve);
    form_ = PassThroughForm::Twelve;
  }
  if (!result.succeeded) {
    *bridgeForm_ = BridgeAtaForm::None;
    Report(BridgeRefusalText(*bridge_));
    return false;
  }
  *bridgeForm_ = form_ == PassThroughForm::Twelve ? BridgeAtaForm::PassThrough12 : BridgeAtaForm::PassThrough16;
  probed_ = ProbedIdentify{false, page};
  return true;
}

std::optional<uint8_t> PassThroughDevice::ProbeIdentify() {
  Page page{};
  AtaCommandResult result = Run(IdentifyRegisters(0, false), page);
  bool packetDevice = false;
  if (!result.succeeded && result.systemError == 0) {
    // A packet device (ATAPI) refuses IDENTIFY DEVICE and answers this one.
    result = Run(IdentifyRegisters(0, true), page);
    packetDevice = true;
  }
  if (result.succeeded) {
    // The pass asks for this very page next; it is not asked of the drive twice.
    probed_ = ProbedIdentify{packetDevice, page};
    return packetDevice ? kMapPacketAtPosition0 : kMapAtaAtPosition0;
  }
  const int error = result.systemError;
  if (RecordDenied(error)) return std::nullopt;
  if (error == ENOTTY || error == EINVAL || error == EOPNOTSUPP || error == 0) {
    // NVMe and virtio disks have no SG_IO; a SCSI disk or a USB bridge
    // without ATA translation refuses the command.
    Report("not an ATA drive, or behind a bridge that does not pass ATA commands");
  } else {
    Report(std::string("ATA pass-through failed: ") + strerror(error));
  }
  return std::nullopt;
}

DriveGeometry WindowsDiskGeometry(uint64_t bytes, uint32_t bytesPerSector) {
  const uint64_t cylinderBytes = uint64_t{kTracksPerCylinder} * kSectorsPerTrack * bytesPerSector;
  return DriveGeometry{static_cast<int64_t>(bytes / cylinderBytes), kTracksPerCylinder, kSectorsPerTrack,
                       bytesPerSector};
}

std::optional<DriveGeometry> BlockDeviceGeometry(int fd) {
  uint64_t bytes = 0;
  int sectorSize = 0;
  if (ioctl(fd, BLKGETSIZE64, &bytes) != 0 || ioctl(fd, BLKSSZGET, &sectorSize) != 0 || sectorSize <= 0) {
    return std::nullopt;
  }
  return WindowsDiskGeometry(bytes, static_cast<uint32_t>(sectorSize));
}

std::optional<DriveGeometry> PassThroughDevice::Geometry() { return BlockDeviceGeometry(fd_); }

bool PassThroughDevice::EnableSmart(int position) {
  return position == 0 && Run(EnableSmartRegisters(0), {}).succeeded;
}

std::optional<Page> PassThroughDevice::Identify(int position, bool packetDevice) {
  if (position != 0) return std::nullopt;
  if (probed_ && probed_->packetDevice == packetDevice) return probed_->page;
  return ReadPage(IdentifyRegisters(0, packetDevice));
}

std::optional<Page> PassThroughDevice::SmartData(int position) {
  if (position != 0) return std::nullopt;
  return ReadPage(SmartReadDataRegisters(0));
}

std::optional<Page> PassThroughDevice::SmartThresholds(int position) {
  if (position != 0) return std::nullopt;
  return ReadPage(SmartReadThresholdsRegisters(0));
}

std::optional<Page> PassThroughDevice::SmartReadLog(int position, uint8_t logAddress) {
  if (position != 0) return std::nullopt;
  return ReadPage(SmartReadLogRegisters(0, logAddress));
}

DriveCommandResult PassThroughDevice::SmartExecuteOffline(int position, uint8_t subcommand) {
  if (position != 0)
    return {CommandAnswer::NotDelivered, 0, path_ + ": no device at position " + std::to_string(position)};
  const AtaCommandResult result = Run(SmartExecuteOfflineRegisters(0, subcommand), {});
  if (result.succeeded) return {CommandAnswer::Accepted, 0, {}};
  // The drive's ABRT comes back through the sense data; a refused SG_IO never
  // reached it.
  if (result.systemError == 0) return {CommandAnswer::Refused, 0, {}};
  return {CommandAnswer::NotDelivered, 0, SystemRefusal(result.systemError)};
}

std::string PassThroughDevice::SystemRefusal(int systemError) const {
  const bool denied = systemError == EPERM || systemError == EACCES;
  return path_ + ": " + (denied ? "permission denied: " + permissionHint_ : std::string(strerror(systemError)));
}

std::optional<std::vector<uint8_t>> PassThroughDevice::ScsiDataIn(std::span<const uint8_t> cdb) {
  // The kernel lets anyone who may read the node send INQUIRY and LOG SENSE,
  // so an ATA disk whose ATA commands were refused for want of privilege
  // would answer them through the kernel's translation, and pass for a SCSI
  // disk.
  if (deniedAta_) return std::nullopt;
  std::optional<std::vector<uint8_t>> answer = RunScsiDataIn(fd_, cdb);
  if (answer && problem_) problem_->clear();
  return answer;
}

DriveCommandResult PassThroughDevice::ScsiNonData(std::span<const uint8_t> cdb) {
  const ScsiNonDataResult result = RunScsiNonData(fd_, cdb);
  if (result.good) return {CommandAnswer::Accepted, 0, {}};
  if (result.checkCondition) return {CommandAnswer::Refused, 0, {}};
  if (result.systemError == 0)
    return {CommandAnswer::NotDelivered, 0, path_ + ": the command failed on its way to the drive"};
  return {CommandAnswer::NotDelivered, 0, SystemRefusal(result.systemError)};
}

std::optional<uint8_t> PassThroughDevice::CheckPowerMode(int position) {
  if (position != 0) return std::nullopt;
  if (!powerModeAsked_) {
    powerModeAsked_ = true;
    powerMode_ = Run(CheckPowerModeRegisters(0), {}).returnedCount;
  }
  return powerMode_;
}

}  // namespace taruk
