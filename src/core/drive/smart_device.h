#pragma once
// What the reading pass asks a drive, one call per answer: the device map,
// the geometry, SMART ENABLE OPERATIONS, IDENTIFY, the S.M.A.R.T. data and
// threshold pages, and the power mode. A capture file records exactly these
// answers. Each platform speaks to its drives in its own way behind this
// seam: the Linux layer through SG_IO and ATA PASS-THROUGH, a replay from a
// capture, and a Windows layer with the driver's request blocks
// (request_block.h). A device is one open handle; destroying it closes it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "core/drive/bridge_transfer.h"
#include "core/drive/drive_slot.h"
#include "core/drive/usb_bridge.h"

namespace taruk {

constexpr std::size_t kPageSize = 512;
using Page = std::array<uint8_t, kPageSize>;
// NVMe Identify Controller data; the NVMe health log is one Page long.
using NvmeIdentifyData = std::array<uint8_t, 4096>;
// The NVMe Device Self-test log (log 06h).
constexpr std::size_t kNvmeSelfTestLogSize = 564;
using NvmeSelfTestLogData = std::array<uint8_t, kNvmeSelfTestLogSize>;

// How a drive took a command that starts or stops something on it.
enum class CommandAnswer : uint8_t {
  Accepted,
  Refused,       // the drive answered with an error (ATA ABRT, an NVMe status)
  NotDelivered,  // the command never reached the drive, or this device cannot send it
};

struct DriveCommandResult {
  CommandAnswer answer = CommandAnswer::NotDelivered;
  uint32_t status = 0;  // a refusing NVMe drive's status, with its type
  std::string problem;  // why it was not delivered, in words
};

// The size of a drive as the pass keeps it (and a capture records it).
struct DriveGeometry {
  int64_t cylinders = 0;
  uint32_t tracksPerCylinder = 0;
  uint32_t sectorsPerTrack = 0;
  uint32_t bytesPerSector = 0;
  friend bool operator==(const DriveGeometry&, const DriveGeometry&) = default;
};

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
  // Which of the four positions hold a device: bit P for a device at
  // position P, bit P + 4 when that device is a packet (ATAPI) device.
  // Nothing when the device answers no S.M.A.R.T. request at all.
  virtual std::optional<uint8_t> DeviceMap() = 0;
  virtual std::optional<DriveGeometry> Geometry() = 0;
  // SMART ENABLE OPERATIONS: only success matters.
  virtual bool EnableSmart(int position) = 0;
  // IDENTIFY DEVICE, or IDENTIFY PACKET DEVICE for a packet device.
  virtual std::optional<Page> Identify(int position, bool packetDevice) = 0;
  // SMART READ DATA and SMART READ THRESHOLDS.
  virtual std::optional<Page> SmartData(int position) = 0;
  virtual std::optional<Page> SmartThresholds(int position) = 0;
  // CHECK POWER MODE for one device-map position: the Sector Count the drive
  // answered with, or nothing when the command failed or the way to the drive
  // does not hand the registers back (the drive is then read as if awake).
  // A device that has no spinning media to spare (NVMe, once there is such
  // a device) keeps this default and is never checked.
  virtual std::optional<uint8_t> CheckPowerMode(int /*position*/) { return std::nullopt; }

  // An NVMe drive answers none of the ATA requests above but the geometry;
  // the pass asks it these two admin commands instead.
  virtual DriveBus Bus() { return DriveBus::Ata; }
  // Identify Controller (CNS 01h).
  virtual std::optional<NvmeIdentifyData> NvmeIdentifyController() { return std::nullopt; }
  // Get Log Page, SMART / Health Information (LID 02h), for all namespaces.
  virtual std::optional<Page> NvmeHealthLogPage() { return std::nullopt; }
  // The composite temperature in kelvin from the system's sensor of the
  // drive, which needs no privilege: asked only when the log could not be
  // read.
  virtual std::optional<uint16_t> NvmeSensorKelvin() { return std::nullopt; }

  // A disk that answers neither (a SAS or SCSI disk, a USB bridge without
  // ATA translation) is asked SCSI commands that only read, built by
  // scsi_commands.h: the bytes the drive sent for `cdb` (at most the
  // command's transfer length), or nothing when it refused the command or
  // this way to the drive cannot carry it.
  virtual std::optional<std::vector<uint8_t>> ScsiDataIn(std::span<const uint8_t> /*cdb*/) { return std::nullopt; }
  // A SCSI command without data that starts or stops something on the
  // drive (SEND DIAGNOSTIC of a background self-test), sent only on a
  // user's or the schedule's request. Refused: the drive answered CHECK
  // CONDITION.
  virtual DriveCommandResult ScsiNonData(std::span<const uint8_t> /*cdb*/) {
    return {CommandAnswer::NotDelivered, 0, kNoSelfTestPath};
  }
  // The USB bridge the disk sits behind, as the system names it without
  // asking the drive; nothing for a disk on any other bus.
  virtual std::optional<UsbBridge> Bridge() { return std::nullopt; }
  // The bridge chip's own commands behind the NVMe reads that got through
  // since the last call, oldest first, handed over once: a capture records
  // them in place of the drive's answers. A read that failed leaves none.
  virtual std::vector<BridgeTransfer> TakeBridgeTraffic() { return {}; }

  // Self-tests. The reading pass reads the logs; only a user's (or the
  // schedule's) request sends the commands that start or stop a test. A
  // device that cannot carry them keeps these defaults.
  // SMART READ LOG: one 512-byte sector of the log at `logAddress` (01h the
  // summary error log, 06h the self-test log).
  virtual std::optional<Page> SmartReadLog(int /*position*/, uint8_t /*logAddress*/) { return std::nullopt; }
  // SMART EXECUTE OFF-LINE IMMEDIATE with `subcommand` in the LBA Low register.
  virtual DriveCommandResult SmartExecuteOffline(int /*position*/, uint8_t /*subcommand*/) {
    return {CommandAnswer::NotDelivered, 0, kNoSelfTestPath};
  }
  // Get Log Page, Device Self-test (LID 06h).
  virtual std::optional<NvmeSelfTestLogData> NvmeSelfTestLog() { return std::nullopt; }
  // Device Self-test with the self-test code `code`, for the whole drive.
  virtual DriveCommandResult NvmeDeviceSelfTest(uint8_t /*code*/) {
    return {CommandAnswer::NotDelivered, 0, kNoSelfTestPath};
  }

 private:
  static constexpr const char* kNoSelfTestPath = "this way to the drive carries no self-test command";
};

// Opens physical drive N, the system's N-th drive. A null result is the
// invalid handle.
class DeviceOpener {
 public:
  virtual ~DeviceOpener() = default;
  // The drive numbers a pass opens, in the system's order, listed afresh at
  // every pass: every whole disk the kernel lists, every PhysicalDriveN that
  // exists, every capture in a folder. An opener that can't list its drives
  // offers the four the monitor always had.
  virtual std::vector<int> DriveNumbers() { return {0, 1, 2, 3}; }
  // The system's name for drive N as the last DriveNumbers found it
  // ("/dev/sdc", "\\.\PhysicalDrive2", a capture's path); empty when unknown.
  virtual std::string DeviceName(int /*driveNumber*/) const { return {}; }
  virtual std::unique_ptr<SmartDevice> Open(int driveNumber) = 0;
  // Open for a pass that treats a sleeping drive by `rule`. Only an opener
  // that reads the drive ahead of the pass (the privileged reader) needs to
  // know it; the others simply open.
  virtual std::unique_ptr<SmartDevice> OpenForPass(int driveNumber, SleepingDrive /*rule*/) {
    return Open(driveNumber);
  }
  // The drives the pass is about to open, in order, each with its rule. An
  // opener that reads drives in another process (the privileged reader)
  // asks for them all at once, where a round trip a drive cost more than
  // the drives' answers; the others need not know. A drive then opened with
  // another rule is read again.
  virtual void PlanPass(const std::vector<std::pair<int, SleepingDrive>>& /*drives*/) {}
  // Why the drive could not be read in the last pass, in words a user can act
  // on ("/dev/sda: permission denied: ..."); empty when there is no such drive
  // or nothing went wrong. The window stays silent; `taruk --report` prints it.
  virtual std::string Problem(int /*driveNumber*/) const { return {}; }
};

}  // namespace taruk
