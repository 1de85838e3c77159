#include "linux/pass_through_device.h"

#include <errno.h>
#include <linux/fs.h>
#include <string.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <span>

#include "core/base/little_endian.h"
#include "core/drive/request_block.h"
#include "linux/sg_io_command.h"
#include "core/drive/geometry_answer.h"

namespace {

// GETVERSIONINPARAMS as the Windows driver fills it.
constexpr uint8_t kSmartVersion = 1;
constexpr uint8_t kSmartRevision = 1;
constexpr uint8_t kMapAtaAtPosition0 = 0x01;
constexpr uint8_t kMapPacketAtPosition0 = 0x11;
constexpr uint8_t kCapabilities = 0x07;  // CAP_ATA_ID_CMD | CAP_ATAPI_ID_CMD | CAP_SMART_CMD

// The geometry Windows reports for a fixed disk of any size.
constexpr uint32_t kTracksPerCylinder = 255;
constexpr uint32_t kSectorsPerTrack = 63;

// SENDCMDOUTPARAMS.DriverStatus: SMART_IDE_ERROR, then the ATA error register.
constexpr std::size_t kDriverError = 4;
constexpr std::size_t kIdeError = 5;
constexpr uint8_t kSmartIdeError = 1;

uint32_t BufferSizeOf(const RequestBlock& request) {
  return ReadLittleEndian32(request.data() + layout::kBufferSize);
}

// The only commands this device sends: the reads of the reading pass and
// SMART ENABLE OPERATIONS, plus CHECK POWER MODE, which CheckPowerMode builds
// itself. Anything else is refused before it reaches the drive.
bool IsAllowedDataCommand(const IdeRegisters& r) {
  if (r.command == ata::kIdentifyDevice || r.command == ata::kIdentifyPacketDevice) return true;
  return r.command == ata::kSmart &&
         (r.features == ata::kSmartReadData || r.features == ata::kSmartReadThresholds);
}

bool IsAllowedNonDataCommand(const IdeRegisters& r) {
  return r.command == ata::kSmart && r.features == ata::kSmartEnableOperations;
}

IdeRegisters IdentifyRegisters(uint8_t command) {
  IdeRegisters r;
  r.sectorCount = 1;
  r.sectorNumber = 1;
  r.driveHead = DriveHeadFor(0);
  r.command = command;
  return r;
}

}  // namespace

PassThroughDevice::PassThroughDevice(int fd, std::string path, std::shared_ptr<std::string> problem,
                                     std::string permissionHint)
    : fd_(fd), path_(std::move(path)), problem_(std::move(problem)), permissionHint_(std::move(permissionHint)) {}

PassThroughDevice::~PassThroughDevice() { close(fd_); }

void PassThroughDevice::Report(const std::string& why) {
  if (problem_) *problem_ = path_ + ": " + why;
}

AtaCommandResult PassThroughDevice::Run(const IdeRegisters& registers, std::span<uint8_t> dataIn) {
  ++commandsSent_;
  return RunAtaCommand(fd_, registers, dataIn);
}

bool PassThroughDevice::GetVersion(VersionAnswer& answer) {
  // Windows knows from the driver whether a disk speaks ATA; here the disk
  // has to show it. The power mode comes first: a sleeping disk shows it by
  // that answer alone, and the pass then sends it nothing more.
  uint8_t deviceMap = kMapAtaAtPosition0;
  if (CheckPowerMode(0) != ata::kPowerModeStandby && !AnswersIdentify(deviceMap)) return false;
  answer.fill(0);
  answer[0] = kSmartVersion;
  answer[1] = kSmartRevision;
  answer[layout::kDeviceMap] = deviceMap;
  WriteLittleEndian32(answer.data() + 4, kCapabilities);
  return true;
}

bool PassThroughDevice::AnswersIdentify(uint8_t& deviceMap) {
  Page page{};
  AtaCommandResult result = Run(IdentifyRegisters(ata::kIdentifyDevice), page);
  deviceMap = kMapAtaAtPosition0;
  if (!result.succeeded && result.systemError == 0) {
    // A packet device (ATAPI) refuses IDENTIFY DEVICE and answers this one.
    result = Run(IdentifyRegisters(ata::kIdentifyPacketDevice), page);
    deviceMap = kMapPacketAtPosition0;
  }
  if (result.succeeded) return true;
  const int error = result.systemError;
  if (error == EPERM || error == EACCES) {
    Report("permission denied: " + permissionHint_);
  } else if (error == ENOTTY || error == EINVAL || error == EOPNOTSUPP || error == 0) {
    // NVMe and virtio disks have no SG_IO; a SCSI disk or a USB bridge
    // without ATA translation refuses the command.
    Report("not an ATA drive, or behind a bridge that does not pass ATA commands");
  } else {
    Report(std::string("ATA pass-through failed: ") + strerror(error));
  }
  return false;
}

bool PassThroughDevice::GetGeometry(GeometryAnswer& answer) {
  uint64_t bytes = 0;
  int sectorSize = 0;
  if (ioctl(fd_, BLKGETSIZE64, &bytes) != 0 || ioctl(fd_, BLKSSZGET, &sectorSize) != 0 || sectorSize <= 0) {
    return false;
  }
  const uint32_t bytesPerSector = static_cast<uint32_t>(sectorSize);
  const uint64_t cylinderBytes = uint64_t{kTracksPerCylinder} * kSectorsPerTrack * bytesPerSector;
  answer = EncodeGeometryAnswer(
      {static_cast<int64_t>(bytes / cylinderBytes), kTracksPerCylinder, kSectorsPerTrack, bytesPerSector});
  return true;
}

bool PassThroughDevice::SendDriveCommand(const RequestBlock& request, CommandAnswer& answer) {
  const IdeRegisters registers = RegistersOf(request);
  if (PositionOf(request) != 0 || BufferSizeOf(request) != 0 || !IsAllowedNonDataCommand(registers)) {
    return false;
  }
  const AtaCommandResult result = Run(registers, {});
  answer.fill(0);
  if (!result.succeeded) {
    answer[kDriverError] = kSmartIdeError;
    if (result.registers) answer[kIdeError] = result.registers->error;
  }
  return result.succeeded;
}

bool PassThroughDevice::ReceiveDriveData(const RequestBlock& request, DataAnswer& answer) {
  const IdeRegisters registers = RegistersOf(request);
  if (PositionOf(request) != 0 || BufferSizeOf(request) != kPageSize || registers.sectorCount != 1 ||
      !IsAllowedDataCommand(registers)) {
    return false;
  }
  const AtaCommandResult result = Run(registers, std::span<uint8_t>(answer.data() + layout::kPage, kPageSize));
  if (!result.succeeded) {
    answer[kDriverError] = kSmartIdeError;
    if (result.registers) answer[kIdeError] = result.registers->error;
    return false;
  }
  WriteLittleEndian32(answer.data() + layout::kBufferSize, kPageSize);
  return true;
}

std::optional<uint8_t> PassThroughDevice::CheckPowerMode(int position) {
  if (position != 0) return std::nullopt;
  if (!powerModeAsked_) {
    powerModeAsked_ = true;
    powerMode_ = Run(CheckPowerModeRegisters(0), {}).returnedCount;
  }
  return powerMode_;
}
