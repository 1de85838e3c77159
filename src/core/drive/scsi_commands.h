#pragma once
// The SCSI commands the reading pass sends a disk that speaks neither ATA
// nor NVMe (a SAS or SCSI disk, or a USB bridge that passes no ATA), built
// here once for every system: the platforms only carry the bytes. All of
// them read but SEND DIAGNOSTIC, which starts or stops a background
// self-test; nothing here changes a drive's settings.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace taruk {

using ScsiCdb = std::vector<uint8_t>;

namespace scsi {
constexpr uint8_t kRequestSense = 0x03;
constexpr uint8_t kSendDiagnostic = 0x1D;
constexpr uint8_t kReadDefectData10 = 0x37;
constexpr uint8_t kReadDefectData12 = 0xB7;
constexpr uint8_t kInquiry = 0x12;
constexpr uint8_t kReadCapacity10 = 0x25;
constexpr uint8_t kLogSense = 0x4D;
constexpr uint8_t kModeSense6 = 0x1A;
constexpr uint8_t kModeSense10 = 0x5A;
// The control mode page, which tells how long an extended self-test takes.
constexpr uint8_t kControlModePage = 0x0A;
constexpr uint8_t kServiceActionIn16 = 0x9E;
constexpr uint8_t kReadCapacity16Action = 0x10;
// The vital product data page with the unit serial number.
constexpr uint8_t kUnitSerialNumberPage = 0x80;
// The most any command of the pass asks for; a page the drive would make
// longer is cut there, and its decoder copes.
constexpr std::size_t kMostDataIn = 1024;
// What LOG SENSE asks for: the list of supported pages, and any other page.
constexpr uint16_t kSupportedPagesLength = 252;
constexpr uint16_t kLogPageLength = 512;
// REQUEST SENSE: room for fixed sense data and a few descriptors.
constexpr uint8_t kSenseLength = 32;
}  // namespace scsi

// INQUIRY: the standard data, or with `vpdPage` that vital product data page.
ScsiCdb InquiryCdb(uint16_t allocation);
ScsiCdb InquiryVpdCdb(uint8_t vpdPage, uint16_t allocation);
ScsiCdb ReadCapacity10Cdb();
ScsiCdb ReadCapacity16Cdb(uint32_t allocation);
// LOG SENSE of the cumulative values of one page (and subpage).
ScsiCdb LogSenseCdb(uint8_t page, uint8_t subpage, uint16_t allocation);
// MODE SENSE of the current values of one mode page, without block
// descriptors. Only ever sensed: a drive's mode pages are its settings,
// which the program never selects.
ScsiCdb ModeSense10Cdb(uint8_t page, uint16_t allocation);
ScsiCdb ModeSense6Cdb(uint8_t page, uint8_t allocation);
// REQUEST SENSE in fixed format.
ScsiCdb RequestSenseCdb(uint8_t allocation);
// READ DEFECT DATA of the grown list alone, in the long block format; the
// header that gives the list's length is all the pass asks for.
ScsiCdb ReadDefectData12Cdb(uint32_t allocation);
ScsiCdb ReadDefectData10Cdb(uint16_t allocation);

// The self-test codes of SEND DIAGNOSTIC (byte 1, bits 7-5). Only the
// background ones are ever sent: a foreground test holds the drive until it
// ends.
enum class ScsiSelfTestCode : uint8_t { BackgroundShort = 1, BackgroundExtended = 2, AbortBackground = 4 };
ScsiCdb SendDiagnosticCdb(ScsiSelfTestCode code);

// The transfer length a CDB built above asks for; 0 for one it does not know.
std::size_t DataInLength(std::span<const uint8_t> cdb);

// What the standard INQUIRY data says of the unit.
struct ScsiInquiry {
  uint8_t deviceType = 0x1F;  // 00h a disk
  bool connected = false;     // peripheral qualifier 000b: a unit is there
  std::string vendor;         // the texts as the unit pads them
  std::string product;
  std::string revision;
};
// Nothing for data too short to hold the vendor and product.
std::optional<ScsiInquiry> DecodeInquiry(std::span<const uint8_t> data);
// A disk the pass reads: a connected direct-access (or simplified
// direct-access) unit.
bool IsReadableDisk(const ScsiInquiry& inquiry);
// The serial number from the unit serial number page; empty when the page
// is not that page or is cut short.
std::string DecodeUnitSerialNumber(std::span<const uint8_t> data);

struct ScsiCapacity {
  uint64_t blocks = 0;
  uint32_t blockLength = 0;
};
// READ CAPACITY(10): a last block address of FFFFFFFFh means the disk is too
// big to say so here, and gives nothing, as does a zero block length.
std::optional<ScsiCapacity> DecodeReadCapacity10(std::span<const uint8_t> data);
std::optional<ScsiCapacity> DecodeReadCapacity16(std::span<const uint8_t> data);

// The additional sense code and its qualifier, from sense data in fixed or
// descriptor format.
struct ScsiSenseCode {
  uint8_t senseKey = 0;
  uint8_t asc = 0;
  uint8_t ascq = 0;
  friend bool operator==(const ScsiSenseCode&, const ScsiSenseCode&) = default;
};
std::optional<ScsiSenseCode> DecodeSense(std::span<const uint8_t> data);

// Whether sense data from REQUEST SENSE, which a disk answers without
// leaving its power condition, says it is in standby: NO SENSE with LOW
// POWER CONDITION ON (5Eh) and a standby condition (by timer or command,
// standby_y too) in the qualifier or the bare 5Eh/00h; or a stopped unit's
// NOT READY, INITIALIZING COMMAND REQUIRED (04h/02h). False for the idle
// conditions and any other answer; nothing for data that is not sense data.
std::optional<bool> DecodeSenseStandby(std::span<const uint8_t> data);

// How far the operation in progress is, 0..100, when the sense data carries
// a progress indication (its sense-key specific bytes, valid with NO SENSE
// or with NOT READY / self-test in progress); nothing otherwise.
std::optional<uint8_t> DecodeSenseProgress(std::span<const uint8_t> data);

// The number of entries of the grown defect list from the header READ
// DEFECT DATA(12) (`twelve`) or (10) returned; nothing when the drive did
// not return the grown list, or in a format whose entries have no fixed
// size.
std::optional<uint32_t> DecodeGrownDefectCount(std::span<const uint8_t> data, bool twelve);

}  // namespace taruk
