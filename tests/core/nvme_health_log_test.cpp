#include "core/drive/nvme_health_log.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "core/drive/drive_health.h"
#include "core/drive/nvme_details.h"
#include "core/drive/nvme_identify.h"
#include "core/view/nvme_details_rows.h"

using namespace taruk;

namespace {

constexpr uint64_t kMost64 = std::numeric_limits<uint64_t>::max();

// Writes `value` little-endian into `length` bytes at `offset`.
void Put(std::vector<uint8_t>& page, size_t offset, size_t length, uint64_t value) {
  for (size_t i = 0; i < length; ++i) page[offset + i] = static_cast<uint8_t>(i < 8 ? value >> (8 * i) : 0);
}

// A 128-bit counter given as its two halves.
void PutCounter(std::vector<uint8_t>& page, size_t offset, uint64_t low, uint64_t high) {
  Put(page, offset, 8, low);
  Put(page, offset + 8, 8, high);
}

std::vector<uint8_t> HealthPage() { return std::vector<uint8_t>(kNvmeHealthLogSize, 0); }

NvmeHealthLog Decode(const std::vector<uint8_t>& page) {
  const std::optional<NvmeHealthLog> log = DecodeNvmeHealthLog(page);
  EXPECT_TRUE(log.has_value());
  return log.value_or(NvmeHealthLog{});
}

std::vector<uint8_t> IdentifyData(const std::string& serial, const std::string& model, const std::string& firmware) {
  std::vector<uint8_t> data(kNvmeIdentifySize, 'x');  // no zero anywhere: a field's end is all that stops a text
  const auto put = [&](size_t offset, size_t length, const std::string& text) {
    for (size_t i = 0; i < length; ++i) data[offset + i] = i < text.size() ? static_cast<uint8_t>(text[i]) : ' ';
  };
  put(4, 20, serial);
  put(24, 40, model);
  put(64, 8, firmware);
  return data;
}

}  // namespace

// Every field at its own place, each with a value no other field has, so a
// shifted offset shows as a wrong field.
TEST(NvmeHealthLogDecoding, EveryFieldFromItsOwnBytes) {
  std::vector<uint8_t> page = HealthPage();
  page[0] = 0x1d;
  Put(page, 1, 2, 0x0143);
  page[3] = 97;
  page[4] = 10;
  page[5] = 104;
  page[6] = 0x04;
  for (size_t i = 0; i < 10; ++i) PutCounter(page, 32 + 16 * i, 0x1000 + i, 0);
  PutCounter(page, 48, 0, 1);                   // 2^64: beyond uint64, saturates
  PutCounter(page, 64, kMost64, 0);             // the largest that fits, not saturated
  PutCounter(page, 176, 5, uint64_t{1} << 63);  // only the top bit of the high half
  Put(page, 192, 4, 0xA1B2C3D4);
  Put(page, 196, 4, 0x01020304);
  for (size_t i = 0; i < 8; ++i) Put(page, 200 + 2 * i, 2, 300 + i);
  Put(page, 216, 4, 11);
  Put(page, 220, 4, 12);
  Put(page, 224, 4, 13);
  Put(page, 228, 4, 14);
  page[232] = 0xFF;  // reserved bytes change nothing
  page[511] = 0xFF;

  const NvmeHealthLog log = Decode(page);
  EXPECT_EQ(log.criticalWarning, 0x1d);
  EXPECT_EQ(log.compositeTemperatureKelvin, 323);
  EXPECT_EQ(log.availableSpare, 97);
  EXPECT_EQ(log.availableSpareThreshold, 10);
  EXPECT_EQ(log.percentageUsed, 104);
  EXPECT_EQ(log.enduranceGroupWarning, 0x04);
  EXPECT_EQ(log.dataUnitsRead, (NvmeCounter{0x1000, false}));
  EXPECT_EQ(log.dataUnitsWritten, (NvmeCounter{kMost64, true}));
  EXPECT_EQ(log.hostReadCommands, (NvmeCounter{kMost64, false}));
  const NvmeCounter plain[] = {log.hostWriteCommands, log.controllerBusyTime, log.powerCycles,
                               log.powerOnHours,      log.unsafeShutdowns,    log.mediaErrors};
  for (size_t i = 0; i < std::size(plain); ++i) EXPECT_EQ(plain[i], (NvmeCounter{0x1003 + i, false})) << i;
  EXPECT_EQ(log.errorLogEntries, (NvmeCounter{kMost64, true}));
  EXPECT_EQ(log.warningTemperatureMinutes, 0xA1B2C3D4u);
  EXPECT_EQ(log.criticalTemperatureMinutes, 0x01020304u);
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(log.temperatureSensorsKelvin[i], 300 + i);
  EXPECT_EQ(log.thermalTransitions, (std::array<uint32_t, 2>{11, 12}));
  EXPECT_EQ(log.thermalManagementSeconds, (std::array<uint32_t, 2>{13, 14}));
}

// A short or failed read has nothing to decode: the caller keeps the slot as
// it keeps it for a failed ATA page.
TEST(NvmeHealthLogDecoding, OnlyAWholePageIsDecoded) {
  for (size_t size :
       {size_t{0}, size_t{1}, size_t{200}, kNvmeHealthLogSize - 1, kNvmeHealthLogSize + 1, size_t{4096}}) {
    EXPECT_FALSE(DecodeNvmeHealthLog(std::vector<uint8_t>(size, 0x55)).has_value()) << size;
  }
  DriveSlot slot;
  slot.model = L"kept";
  for (size_t size : {size_t{0}, size_t{40}, kNvmeIdentifySize - 1, kNvmeIdentifySize + 1, kNvmeHealthLogSize}) {
    EXPECT_FALSE(DecodeNvmeIdentify(std::vector<uint8_t>(size, 'A'), slot)) << size;
  }
  EXPECT_EQ(slot.model, L"kept");
}

// What the panel, alarm and histories get: degrees = kelvin - 273, with 0
// for no reading, and the work time stopped at the slot's largest value.
TEST(NvmeHealthLogDecoding, TemperatureAndWorkTimeInTheSlot) {
  struct Case {
    uint16_t kelvin;
    uint32_t celsius;
  };
  const Case cases[] = {
      {0, 0},       // the sensor gave nothing
      {1, 0},       // below freezing: the slot holds no such degrees
      {273, 0},     // 0 degrees is itself "no reading" in the slot
      {274, 1},     //
      {323, 50},    // QEMU's drive, 50 as smartctl shows it
      {373, 100},   //
      {473, 200},   // the hottest a reading may be
      {474, 0},     // beyond it the sensor is at fault: no reading
      {0xFFFE, 0},  // 65,261 degrees: no reading, and no alarm
      {0xFFFF, 0},  // all bits set: no reading
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> page = HealthPage();
    Put(page, 1, 2, c.kelvin);
    DriveSlot slot;
    slot.temperature = 45;  // a reading from an earlier pass never stays
    StoreNvmeHealthLog(Decode(page), slot);
    EXPECT_EQ(slot.temperature, c.celsius) << c.kelvin;
  }

  struct Hours {
    uint64_t low, high;
    uint32_t slot;
  };
  const Hours hours[] = {
      {0, 0, 0},
      {8760, 0, 8760},
      {0xFFFFFFFF, 0, 0xFFFFFFFF},
      {0x100000000, 0, 0xFFFFFFFF},  // not wrapped to 0
      {0x100000001, 0, 0xFFFFFFFF},  // not wrapped to 1
      {3, 1, 0xFFFFFFFF},            // beyond 64 bits: not the low half's 3
  };
  for (const Hours& h : hours) {
    std::vector<uint8_t> page = HealthPage();
    PutCounter(page, 128, h.low, h.high);
    DriveSlot slot;
    StoreNvmeHealthLog(Decode(page), slot);
    EXPECT_EQ(slot.powerOnHours, h.slot) << h.low << " " << h.high;
  }
}

// The log's warning bits, wear and media errors reach the verdict.
TEST(NvmeHealthLogDecoding, CriticalWarningBitsWearAndErrorsDecideTheVerdict) {
  struct Case {
    uint8_t warning;
    uint8_t used;
    uint64_t errorsLow, errorsHigh;
    HealthVerdict verdict;
    size_t reasons;
  };
  const Case cases[] = {
      {0x00, 0, 0, 0, HealthVerdict::Good, 0},
      {0x02, 0, 0, 0, HealthVerdict::Caution, 1},  // temperature only
      {0x01, 0, 0, 0, HealthVerdict::Bad, 1},      // spare below threshold
      {0x04, 0, 0, 0, HealthVerdict::Bad, 1},
      {0x08, 0, 0, 0, HealthVerdict::Bad, 1},
      {0x10, 0, 0, 0, HealthVerdict::Bad, 1},
      {0x1d, 0, 0, 0, HealthVerdict::Bad, 4},   // QEMU's smart_critical_warning=0x1d
      {0xE0, 0, 0, 0, HealthVerdict::Good, 0},  // reserved bits say nothing
      {0x00, 100, 0, 0, HealthVerdict::Caution, 1},
      {0x00, 255, 0, 0, HealthVerdict::Caution, 1},
      {0x00, 0, 2, 0, HealthVerdict::Caution, 1},
      {0x00, 0, 0, 1, HealthVerdict::Caution, 1},  // 2^64 errors: its low half is 0, yet errors they are
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> page = HealthPage();
    page[0] = c.warning;
    page[5] = c.used;
    PutCounter(page, 160, c.errorsLow, c.errorsHigh);
    const DriveHealth health = NvmeHealth(NvmeHealthFieldsOf(Decode(page)));
    EXPECT_EQ(health.verdict, c.verdict) << int(c.warning) << " " << int(c.used) << " " << c.errorsLow;
    EXPECT_EQ(health.reasons.size(), c.reasons) << int(c.warning);
  }
}

// Texts fill their fields exactly without running into the next one, keep the
// drive's padding, and come in reading order (no ATA byte swap).
TEST(NvmeIdentifyDecoding, TextsAsTheDriveStoresThem) {
  struct Case {
    std::string serial, model, firmware;
    std::wstring wantSerial, wantModel, wantFirmware;
  };
  const Case cases[] = {
      {"TRK-NVME-00000000001", std::string(40, 'M'), "7.2.22AB",  // every field full
       L"TRK-NVME-00000000001", std::wstring(40, L'M'), L"7.2.22AB"},
      {"NV2", "QEMU NVMe Ctrl", "7.2.22",  // QEMU's padding, kept as ATA's is
       L"NV2" + std::wstring(17, L' '), L"QEMU NVMe Ctrl" + std::wstring(26, L' '), L"7.2.22  "},
      {std::string("AB\0CD", 5), std::string("\xE9\x80", 2), "",  // a zero ends a text; high bytes kept
       L"AB", std::wstring({L'\u00E9', L'\u0080'}) + std::wstring(38, L' '), std::wstring(8, L' ')},
  };
  for (const Case& c : cases) {
    DriveSlot slot;
    ASSERT_TRUE(DecodeNvmeIdentify(IdentifyData(c.serial, c.model, c.firmware), slot));
    EXPECT_EQ(slot.serialNumber, c.wantSerial);
    EXPECT_EQ(slot.model, c.wantModel);
    EXPECT_EQ(slot.firmware, c.wantFirmware);
  }
}

// The details list: fifteen rows in the log's order; only Available Spare has
// a value and threshold; raw keeps twelve hex digits and saturates.
TEST(NvmeDetailsRows, FifteenRowsInventingNoColumns) {
  std::vector<uint8_t> page = HealthPage();
  page[0] = 0x1d;
  Put(page, 1, 2, 323);
  page[3] = 97;
  page[4] = 10;
  page[5] = 3;
  PutCounter(page, 32, 0xFFFFFFFFFFFF, 0);   // 48 bits: still exact
  PutCounter(page, 48, 0x1000000000000, 0);  // 49 bits: saturates
  PutCounter(page, 64, 7, 1);                // beyond 64 bits: saturates
  PutCounter(page, 80, 0x123456789A, 0);
  for (size_t i = 4; i < 10; ++i) PutCounter(page, 32 + 16 * i, i, 0);

  const std::vector<SmartDetailsRow> want = {
      {L"1", L"Critical Warning", L"", L"", L"", L"00000000001d", L""},
      {L"2", L"Composite Temperature", L"", L"", L"", L"000000000143", L"50 \u00B0C"},
      {L"3", L"Available Spare", L"97", L"10", L"", L"000000000061", L"97 %"},
      {L"4", L"Available Spare Threshold", L"", L"", L"", L"00000000000a", L"10 %"},
      {L"5", L"Percentage Used", L"", L"", L"", L"000000000003", L"3 %"},
      {L"6", L"Data Units Read", L"", L"", L"", L"ffffffffffff", L"281474976710655 \u00D7 512000 bytes"},
      // Beyond the 48 bits of the raw column, the number is still whole.
      {L"7", L"Data Units Written", L"", L"", L"", L"ffffffffffff", L"281474976710656 \u00D7 512000 bytes"},
      {L"8", L"Host Read Commands", L"", L"", L"", L"ffffffffffff", L"18446744073709551615"},
      {L"9", L"Host Write Commands", L"", L"", L"", L"00123456789a", L"78187493530"},
      {L"10", L"Controller Busy Time", L"", L"", L"", L"000000000004", L"4 minutes"},
      {L"11", L"Power Cycles", L"", L"", L"", L"000000000005", L"5"},
      {L"12", L"Power On Hours", L"", L"", L"", L"000000000006", L"6 hours"},
      {L"13", L"Unsafe Shutdowns", L"", L"", L"", L"000000000007", L"7"},
      {L"14", L"Media and Data Integrity Errors", L"", L"", L"", L"000000000008", L"8"},
      {L"15", L"Number of Error Information Log Entries", L"", L"", L"", L"000000000009", L"9"},
  };
  EXPECT_EQ(NvmeDetailsRows(Decode(page)), want);
  // The entries behind the rows carry the same: numbers where the log has them.
  const auto entries = NvmeDetailsEntries(Decode(page));
  EXPECT_EQ(entries[2].value, std::optional<uint8_t>(97));
  EXPECT_EQ(entries[2].threshold, std::optional<uint8_t>(10));
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i == 2) continue;
    EXPECT_FALSE(entries[i].value || entries[i].threshold) << i;
  }
}
