#pragma once
// The per-drive record shared by the whole monitor: identity and S.M.A.R.T.
// values written by the reading pass, temperature histories written by the
// monitoring cycle, read by the windows.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/drive/nvme_health_log_fields.h"
#include "core/drive/scsi_log_pages.h"
#include "core/drive/self_test.h"
#include "core/drive/usb_bridge.h"

namespace taruk {

// The slots the monitor always has, one per disk button of the window: a
// machine with up to four drives numbers and shows them as it always did.
constexpr int kDiskButtonCount = 4;
// The most drives one run watches. A drive found beyond them is not read,
// and the pass says so.
constexpr int kMostDrives = 64;
constexpr int kAttributeCount = 30;
constexpr int kHourHistoryLength = 30;
constexpr int kMinuteHistoryLength = 100;

struct SmartAttributeEntry {
  uint8_t id = 0;  // 0 marks an empty entry
  uint8_t current = 0;
  uint8_t worst = 0;
  uint8_t threshold = 0;
  std::array<uint8_t, 6> raw{};  // least significant byte first
  friend bool operator==(const SmartAttributeEntry&, const SmartAttributeEntry&) = default;
};

// What CHECK POWER MODE said in the last pass that reached the drive.
enum class PowerMode : uint8_t {
  Unknown,  // not asked, no answer, or the drive did not open
  Active,   // active or idle: the drive was read
  Standby,  // spun down: not read, the slot keeps its last values
};

// A text of the drive's as a person reads it: without the blanks the drive
// pads it with at either end. Exports and captures keep the stored text.
std::wstring ShownText(const std::wstring& padded);

// "standby", "active" or "unknown".
const char* PowerModeName(PowerMode mode);

// How the drive is spoken to: ATA commands, the NVMe admin commands, or
// SCSI commands (LOG SENSE) for a disk that answers neither.
enum class DriveBus : uint8_t { Ata, Nvme, Scsi };

// "ata", "nvme" or "scsi".
const char* DriveBusName(DriveBus bus);

struct DriveSlot {
  DriveBus bus = DriveBus::Ata;
  // Geometry and identity.
  int64_t cylinders = 0;
  uint32_t tracksPerCylinder = 0;
  uint32_t sectorsPerTrack = 0;
  uint32_t bytesPerSector = 0;
  uint16_t idCylinders = 0;
  uint16_t idHeads = 0;
  uint16_t idSectorsPerTrack = 0;
  // Texts as the drive pads them; each character is one byte of the page
  // (0x80..0xFF become U+0080..U+00FF).
  std::wstring model;
  std::wstring firmware;
  std::wstring serialNumber;
  int32_t capacityGb = 0;
  int32_t capacityMb = 0;  // megabytes beyond the whole gigabytes, 0..999

  // S.M.A.R.T. values; entry j mirrors entry j of the drive's attribute page.
  std::array<SmartAttributeEntry, kAttributeCount> attributes{};
  uint32_t temperature = 0;  // degrees Celsius, 0 = no reading
  uint32_t powerOnHours = 0;
  // An NVMe drive's last health log read; its attribute entries stay empty.
  // None until a log was read (the sysfs path gives no log).
  std::optional<NvmeHealthLog> nvmeLog;
  // A SCSI disk's identity and log pages from the last pass that read it.
  std::optional<ScsiHealth> scsi;
  // The USB bridge the drive was last found behind; none inside the machine.
  std::optional<UsbBridge> usbBridge;
  // The drive's self-tests and error-log count, from the same pass.
  SelfTestState selfTest;

  // Temperature histories, element 0 newest.
  std::array<uint32_t, kHourHistoryLength> hourHistory{};
  std::array<uint32_t, kMinuteHistoryLength> minuteHistory{};
  int32_t minuteStamp = 0;
  int32_t hourStamp = 0;

  PowerMode powerMode = PowerMode::Unknown;

  // Where the drive is and who it is. `wwn` is the World Wide Name IDENTIFY
  // words 108-111 give (0: none). `id` is the name that follows the drive
  // wherever the system puts it (drive_id.h); `device` is the system's name
  // for where it was last found ("/dev/sdc", "\\.\PhysicalDrive2").
  uint64_t wwn = 0;
  std::string id;
  std::string device;
  // The system's drive number it was found at in the last pass; -1 when it
  // did not open then. `assigned`: a drive has had this number in this run,
  // so no other drive may take it.
  int systemNumber = -1;
  bool assigned = false;

  // Both capacity fields are written only after the version and geometry
  // requests succeeded, so they tell whether the drive ever answered.
  bool IsPresent() const { return capacityGb != 0 || capacityMb != 0; }
  friend bool operator==(const DriveSlot&, const DriveSlot&) = default;
};

// Index = the drive's number, HDn, for the whole run (drive_numbering.h).
// The monitor owns its slots (Monitor), clears them once when it starts and
// never again: a failed read keeps the last values, and a drive that goes
// keeps its slot. There are at least kDiskButtonCount and at most
// kMostDrives of them once the monitor started.
using DriveSlots = std::vector<DriveSlot>;

// Slot n, or an empty slot for a number the run has no slot for (a window
// opened for a drive number that a test or a stale selection gives).
const DriveSlot& SlotOrEmpty(const DriveSlots& slots, int n);

}  // namespace taruk
