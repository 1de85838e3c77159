#include "core/drive/scsi_reading.h"

#include "core/drive/identify.h"
#include "core/drive/scsi_commands.h"
#include "core/drive/scsi_self_test_page.h"

namespace taruk {

namespace {

constexpr uint16_t kInquiryLength = 96;
constexpr uint16_t kVpdLength = 252;
constexpr uint32_t kReadCapacity16Length = 32;
// The headers of READ DEFECT DATA(12) and (10): the list's length is all
// the pass needs, and a long list would not fit any buffer worth sending.
constexpr uint32_t kDefectHeader12 = 8;
constexpr uint16_t kDefectHeader10 = 4;
// A mode parameter header, block descriptors a drive may send anyway, and
// the 12-byte control page.
constexpr uint8_t kModeSenseLength = 64;

std::optional<std::vector<uint8_t>> Ask(SmartDevice& device, const ScsiCdb& cdb) { return device.ScsiDataIn(cdb); }

// Each byte one character, as the other buses' texts (0x80..0xFF become
// U+0080..U+00FF).
std::wstring Wide(const std::string& text) {
  std::wstring wide;
  for (const char c : text) wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return wide;
}

// The size the way the Windows side keeps any fixed disk: 255 tracks of 63
// sectors, whole cylinders.
std::optional<DriveGeometry> CapacityGeometry(SmartDevice& device) {
  std::optional<ScsiCapacity> capacity;
  if (const auto data = Ask(device, ReadCapacity16Cdb(kReadCapacity16Length))) capacity = DecodeReadCapacity16(*data);
  if (!capacity) {
    if (const auto data = Ask(device, ReadCapacity10Cdb())) capacity = DecodeReadCapacity10(*data);
  }
  if (!capacity) return std::nullopt;
  constexpr uint32_t kTracks = 255;
  constexpr uint32_t kSectors = 63;
  return DriveGeometry{static_cast<int64_t>(capacity->blocks / (kTracks * kSectors)), kTracks, kSectors,
                       capacity->blockLength};
}

void ReadLogPages(SmartDevice& device, ScsiHealth& health, SelfTestState& tests) {
  const auto supported = Ask(device, LogSenseCdb(scsi_page::kSupportedPages, 0, scsi::kSupportedPagesLength));
  // A disk without LOG SENSE (a virtual disk, many USB bridges) has no pages
  // to ask for.
  if (!supported || !DecodeSupportedPages(*supported, health)) return;
  auto read = [&](uint8_t page, auto decode) {
    if (!Supports(health, page)) return;
    if (const auto data = Ask(device, LogSenseCdb(page, 0, scsi::kLogPageLength))) decode(*data);
  };
  read(scsi_page::kTemperature, [&](const auto& data) { DecodeTemperaturePage(data, health); });
  read(scsi_page::kInformationalExceptions, [&](const auto& data) { DecodeInformationalExceptions(data, health); });
  read(scsi_page::kStartStopCycles, [&](const auto& data) { DecodeStartStopCycles(data, health); });
  for (const uint8_t page : {scsi_page::kReadErrors, scsi_page::kWriteErrors, scsi_page::kVerifyErrors}) {
    read(page, [&](const auto& data) { DecodeErrorCounterPage(data, page, health); });
  }
  read(scsi_page::kNonMediumErrors, [&](const auto& data) { DecodeNonMediumErrors(data, health); });
  read(scsi_page::kBackgroundScan, [&](const auto& data) { DecodeBackgroundScan(data, health); });
  // A drive that keeps self-test results runs self-tests: the page is how
  // it says so.
  tests.known = true;
  tests.shortAndExtended = Supports(health, scsi_page::kSelfTestResults);
  read(scsi_page::kSelfTestResults, [&](const auto& data) { DecodeScsiSelfTestPage(data, tests); });
  ReadScsiSelfTestTime(device, tests);
}

// The (10) form only for a drive that refuses the (12) one, older drives
// knowing no other. Asked only of a drive that keeps log pages: a USB
// bridge that knows neither may reset the device over a command it does
// not know.
void ReadGrownDefects(SmartDevice& device, ScsiHealth& health) {
  if (health.supportedPages.empty()) return;
  if (const auto data = Ask(device, ReadDefectData12Cdb(kDefectHeader12))) {
    health.grownDefects = DecodeGrownDefectCount(*data, true);
    return;
  }
  if (const auto data = Ask(device, ReadDefectData10Cdb(kDefectHeader10))) {
    health.grownDefects = DecodeGrownDefectCount(*data, false);
  }
}

// A drive that reports its exceptions only through sense data (its
// informational exceptions control asks for that), or has no page 2Fh; and
// how far a running self-test is, which only sense data tells.
void TakeSense(std::span<const uint8_t> data, ScsiHealth& health, SelfTestState& tests) {
  if (tests.running) {
    if (const std::optional<uint8_t> percent = DecodeSenseProgress(data)) tests.percentDone = *percent;
  }
  if (health.exceptionAsc && *health.exceptionAsc != 0) return;
  const std::optional<ScsiSenseCode> sense = DecodeSense(data);
  // Only a failure prediction or a warning is an exception report. NO SENSE
  // says nothing of the disk's health (every disk answers so), and some ways
  // to a disk (QEMU's uas bridge) hand back the last refused command's
  // sense here, INVALID COMMAND OPERATION CODE.
  constexpr uint8_t kWarning = 0x0B;
  constexpr uint8_t kFailurePrediction = 0x5D;
  if (!sense || (sense->asc != kWarning && sense->asc != kFailurePrediction)) return;
  health.exceptionAsc = sense->asc;
  health.exceptionAscq = sense->ascq;
}

PowerMode PowerModeOf(const std::optional<std::vector<uint8_t>>& sense) {
  const std::optional<bool> standby = sense ? DecodeSenseStandby(*sense) : std::nullopt;
  if (!standby) return PowerMode::Unknown;
  return *standby ? PowerMode::Standby : PowerMode::Active;
}

}  // namespace

void ReadScsiSelfTestTime(SmartDevice& device, SelfTestState& tests) {
  if (!tests.shortAndExtended) return;
  std::optional<uint32_t> seconds;
  if (const auto data = Ask(device, ModeSense10Cdb(scsi::kControlModePage, kModeSenseLength))) {
    seconds = DecodeExtendedSelfTestSeconds(*data, true);
  } else if (const auto six = Ask(device, ModeSense6Cdb(scsi::kControlModePage, kModeSenseLength))) {
    seconds = DecodeExtendedSelfTestSeconds(*six, false);
  }
  if (seconds) tests.extendedMinutes = SelfTestMinutes(*seconds);
}

bool ReadScsiDrive(SmartDevice& device, SleepingDrive rule, DriveSlot& slot) {
  const auto inquiryData = Ask(device, InquiryCdb(kInquiryLength));
  if (!inquiryData) return false;
  const std::optional<ScsiInquiry> inquiry = DecodeInquiry(*inquiryData);
  if (!inquiry || !IsReadableDisk(*inquiry)) return false;

  // Before anything that may need the medium: it tells a disk in standby
  // without waking it, and carries the exceptions and a test's progress.
  const auto sense = Ask(device, RequestSenseCdb(scsi::kSenseLength));
  slot.powerMode = PowerModeOf(sense);
  const bool asleep = slot.powerMode == PowerMode::Standby && rule != SleepingDrive::Wake;
  if (asleep && rule == SleepingDrive::Leave) return true;

  ScsiHealth health;
  health.vendor = inquiry->vendor;
  health.product = inquiry->product;
  health.revision = inquiry->revision;
  std::string serial;
  if (const auto vpd = Ask(device, InquiryVpdCdb(scsi::kUnitSerialNumberPage, kVpdLength))) {
    serial = DecodeUnitSerialNumber(*vpd);
  }
  std::optional<DriveGeometry> geometry = device.Geometry();
  if (!geometry) geometry = CapacityGeometry(device);
  SelfTestState tests;
  if (!asleep) {
    ReadLogPages(device, health, tests);
    ReadGrownDefects(device, health);
    if (sense) TakeSense(*sense, health, tests);
  }

  slot.bus = DriveBus::Scsi;
  slot.model = ShownText(Wide(health.vendor)) + L" " + ShownText(Wide(health.product));
  slot.firmware = Wide(health.revision);
  slot.serialNumber = Wide(serial);
  if (geometry) {
    slot.cylinders = geometry->cylinders;
    slot.tracksPerCylinder = geometry->tracksPerCylinder;
    slot.sectorsPerTrack = geometry->sectorsPerTrack;
    slot.bytesPerSector = geometry->bytesPerSector;
    ComputeCapacity(slot);
  }
  StoreScsiHealth(health, slot);
  slot.selfTest = std::move(tests);
  return true;
}

void StoreScsiHealth(const ScsiHealth& health, DriveSlot& slot) {
  slot.scsi = health;
  slot.temperature = health.temperature.value_or(0);
  slot.powerOnHours = health.powerOnMinutes ? *health.powerOnMinutes / 60 : 0;
}

}  // namespace taruk
