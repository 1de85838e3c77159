#pragma once
// The disk-control operations the reading pass needs, as the Windows driver
// offers them: byte buffers in, byte buffers out. A device is one open handle;
// destroying it closes the handle. The Linux layer answers through SG_IO, the
// replay device from a capture file; the pass above them is the same.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// SENDCMDINPARAMS without its trailing one-byte buffer.
using RequestBlock = std::array<uint8_t, 32>;
// SENDCMDOUTPARAMS header only (SMART ENABLE OPERATIONS).
using CommandAnswer = std::array<uint8_t, 16>;
// SENDCMDOUTPARAMS header followed by a 512-byte page.
using DataAnswer = std::array<uint8_t, 528>;
// GETVERSIONINPARAMS.
using VersionAnswer = std::array<uint8_t, 24>;
// DISK_GEOMETRY: int64 cylinders, media type, tracks, sectors, bytes per sector.
using GeometryAnswer = std::array<uint8_t, 24>;

constexpr std::size_t kPageSize = 512;
using Page = std::array<uint8_t, kPageSize>;

// Byte offsets inside the buffers above.
namespace layout {
constexpr std::size_t kBufferSize = 0;  // cBufferSize, 32-bit little-endian
constexpr std::size_t kFeatures = 4;    // IDEREGS starts here
constexpr std::size_t kSectorCount = 5;
constexpr std::size_t kSectorNumber = 6;
constexpr std::size_t kCylinderLow = 7;
constexpr std::size_t kCylinderHigh = 8;
constexpr std::size_t kDriveHead = 9;
constexpr std::size_t kCommand = 10;
constexpr std::size_t kDriveNumber = 12;  // bDriveNumber: device-map position
constexpr std::size_t kDeviceMap = 3;     // bIDEDeviceMap in GETVERSIONINPARAMS
constexpr std::size_t kPage = 16;         // page start in a DataAnswer
constexpr std::size_t kGeometryTracks = 12;
constexpr std::size_t kGeometrySectors = 16;
constexpr std::size_t kGeometryBytes = 20;
}  // namespace layout

// ATA command and SMART feature codes the pass sends.
namespace ata {
constexpr uint8_t kSmart = 0xB0;
constexpr uint8_t kIdentifyDevice = 0xEC;
constexpr uint8_t kIdentifyPacketDevice = 0xA1;
constexpr uint8_t kSmartReadData = 0xD0;
constexpr uint8_t kSmartReadThresholds = 0xD1;
constexpr uint8_t kSmartEnableOperations = 0xD8;
constexpr uint8_t kSmartCylinderLow = 0x4F;
constexpr uint8_t kSmartCylinderHigh = 0xC2;
// CHECK POWER MODE answers in its Sector Count register without spinning a
// drive up: 0x00 standby, 0x80 idle, 0xFF active or idle.
constexpr uint8_t kCheckPowerMode = 0xE5;
constexpr uint8_t kPowerModeStandby = 0x00;
}  // namespace ata

// What a pass does with an ATA position whose drive reports standby.
enum class SleepingDrive {
  Leave,     // nothing more goes to it (the monitor's ticks)
  Identify,  // IDENTIFY only, which a drive answers without spinning up (a drive not yet known)
  Wake,      // read as any other drive (taruk --report --wake)
};

class SmartDevice {
 public:
  virtual ~SmartDevice() = default;
  // SMART_GET_VERSION. The answer was cleared by the caller.
  virtual bool GetVersion(VersionAnswer& answer) = 0;
  // IOCTL_DISK_GET_DRIVE_GEOMETRY.
  virtual bool GetGeometry(GeometryAnswer& answer) = 0;
  // SMART_SEND_DRIVE_COMMAND: only success matters.
  virtual bool SendDriveCommand(const RequestBlock& request, CommandAnswer& answer) = 0;
  // SMART_RCV_DRIVE_DATA: the page arrives at answer[16..527].
  virtual bool ReceiveDriveData(const RequestBlock& request, DataAnswer& answer) = 0;
  // CHECK POWER MODE for one device-map position: the Sector Count the drive
  // answered with, or nothing when the command failed or the way to the drive
  // does not hand the registers back (the drive is then read as if awake).
  // A device that has no spinning media to spare (NVMe, once there is such
  // a device) keeps this default and is never checked.
  virtual std::optional<uint8_t> CheckPowerMode(int /*position*/) { return std::nullopt; }
};

// Opens physical drive N (0..3). A null result is the invalid handle.
class DeviceOpener {
 public:
  virtual ~DeviceOpener() = default;
  virtual std::unique_ptr<SmartDevice> Open(int driveNumber) = 0;
  // Open for a pass that treats a sleeping drive by `rule`. Only an opener
  // that reads the drive ahead of the pass (the privileged reader) needs to
  // know it; the others simply open.
  virtual std::unique_ptr<SmartDevice> OpenForPass(int driveNumber, SleepingDrive /*rule*/) {
    return Open(driveNumber);
  }
  // Why the drive could not be read in the last pass, in words a user can act
  // on ("/dev/sda: permission denied: ..."); empty when there is no such drive
  // or nothing went wrong. The window stays silent; `taruk --report` prints it.
  virtual std::string Problem(int /*driveNumber*/) const { return {}; }
};
