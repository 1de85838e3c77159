#pragma once
// The SCSI commands the reading pass sends a disk that speaks neither ATA
// nor NVMe (a SAS or SCSI disk, or a USB bridge that passes no ATA), built
// here once for every system: the platforms only carry the bytes. All of
// them read; nothing here changes a drive's settings.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace taruk {

using ScsiCdb = std::vector<uint8_t>;

namespace scsi {
constexpr uint8_t kRequestSense = 0x03;
constexpr uint8_t kInquiry = 0x12;
constexpr uint8_t kReadCapacity10 = 0x25;
constexpr uint8_t kLogSense = 0x4D;
constexpr uint8_t kServiceActionIn16 = 0x9E;
constexpr uint8_t kReadCapacity16Action = 0x10;
// The vital product data page with the unit serial number.
constexpr uint8_t kUnitSerialNumberPage = 0x80;
// The most any command of the pass asks for; a page the drive would make
// longer is cut there, and its decoder copes.
constexpr std::size_t kMostDataIn = 1024;
}  // namespace scsi

// INQUIRY: the standard data, or with `vpdPage` that vital product data page.
ScsiCdb InquiryCdb(uint16_t allocation);
ScsiCdb InquiryVpdCdb(uint8_t vpdPage, uint16_t allocation);
ScsiCdb ReadCapacity10Cdb();
ScsiCdb ReadCapacity16Cdb(uint32_t allocation);
// LOG SENSE of the cumulative values of one page (and subpage).
ScsiCdb LogSenseCdb(uint8_t page, uint8_t subpage, uint16_t allocation);
// REQUEST SENSE in fixed format.
ScsiCdb RequestSenseCdb(uint8_t allocation);

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

}  // namespace taruk
