#pragma once
// The LOG SENSE pages of a SCSI or SAS disk that tell its health, decoded
// into one plain record the drive slot keeps. A page the drive cuts short,
// gives a wrong length or fills with parameters unknown here still gives
// what it holds; nothing is read beyond the bytes received.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace taruk {

namespace scsi_page {
constexpr uint8_t kSupportedPages = 0x00;
constexpr uint8_t kWriteErrors = 0x02;
constexpr uint8_t kReadErrors = 0x03;
constexpr uint8_t kVerifyErrors = 0x05;
constexpr uint8_t kNonMediumErrors = 0x06;
constexpr uint8_t kTemperature = 0x0D;
constexpr uint8_t kStartStopCycles = 0x0E;
constexpr uint8_t kBackgroundScan = 0x15;
constexpr uint8_t kInformationalExceptions = 0x2F;
}  // namespace scsi_page

// What the reading pass learnt of a SCSI disk. A value the drive did not
// give is empty.
struct ScsiHealth {
  std::string vendor;  // INQUIRY, as the unit pads them
  std::string product;
  std::string revision;
  std::vector<uint8_t> supportedPages;          // page 00h, in the drive's order
  std::optional<uint8_t> temperature;           // °C, page 0Dh parameter 0000h
  std::optional<uint8_t> referenceTemperature;  // °C, parameter 0001h
  // The informational exception the drive reports (page 2Fh, or REQUEST
  // SENSE without it): ASC 0 none, 5Dh failure prediction threshold
  // exceeded, 0Bh a warning.
  std::optional<uint8_t> exceptionAsc;
  std::optional<uint8_t> exceptionAscq;
  std::optional<uint32_t> specifiedStartStops;  // page 0Eh
  std::optional<uint32_t> startStops;
  std::optional<uint32_t> specifiedLoadUnloads;
  std::optional<uint32_t> loadUnloads;
  std::optional<uint64_t> readUncorrected;  // pages 03h, 02h, 05h parameter 0006h
  std::optional<uint64_t> writeUncorrected;
  std::optional<uint64_t> verifyUncorrected;
  std::optional<uint64_t> nonMediumErrors;  // page 06h parameter 0000h
  std::optional<uint32_t> powerOnMinutes;   // page 15h parameter 0000h
  // Entries of the grown defect list (READ DEFECT DATA): blocks the drive
  // took out of use since it left the factory.
  std::optional<uint32_t> grownDefects;
  friend bool operator==(const ScsiHealth&, const ScsiHealth&) = default;
};

// One parameter of a log page: its code and its value bytes.
struct LogParameter {
  uint16_t code = 0;
  std::span<const uint8_t> value;
};

// The parameters of `data` if it is page `page`: nothing when the header is
// missing or names another page. The page ends at its stated length or at
// the bytes received, whichever comes first; a parameter that runs past the
// end is left out.
std::optional<std::vector<LogParameter>> LogParameters(std::span<const uint8_t> data, uint8_t page);

// A counter of any length up to eight bytes, big-endian; a longer one whose
// value does not fit stops at the largest uint64.
uint64_t LogCounter(std::span<const uint8_t> value);

// Each decoder writes what its page holds into `health` and returns whether
// the data was that page.
bool DecodeSupportedPages(std::span<const uint8_t> data, ScsiHealth& health);
bool DecodeTemperaturePage(std::span<const uint8_t> data, ScsiHealth& health);
bool DecodeInformationalExceptions(std::span<const uint8_t> data, ScsiHealth& health);
bool DecodeStartStopCycles(std::span<const uint8_t> data, ScsiHealth& health);
// Page 02h, 03h or 05h: the total of uncorrected errors into its field.
bool DecodeErrorCounterPage(std::span<const uint8_t> data, uint8_t page, ScsiHealth& health);
bool DecodeNonMediumErrors(std::span<const uint8_t> data, ScsiHealth& health);
bool DecodeBackgroundScan(std::span<const uint8_t> data, ScsiHealth& health);

bool Supports(const ScsiHealth& health, uint8_t page);

}  // namespace taruk
