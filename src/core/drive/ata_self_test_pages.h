#pragma once
// What an ATA drive tells about its self-tests: the self-test bytes of the
// SMART READ DATA page, the self-test log (log 06h) and the summary error
// log (log 01h), each a 512-byte page read with SMART READ LOG.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/drive/self_test.h"

namespace taruk {

namespace ata {
constexpr uint8_t kSmartReadLog = 0xD5;
constexpr uint8_t kSmartExecuteOffline = 0xD4;
constexpr uint8_t kSummaryErrorLog = 0x01;
constexpr uint8_t kSelfTestLog = 0x06;
// SMART EXECUTE OFF-LINE IMMEDIATE subcommands, all in off-line mode: the
// drive goes on answering while the test runs. The captive codes (81h-84h)
// would hold every other command back until the test ends.
constexpr uint8_t kShortSelfTest = 0x01;
constexpr uint8_t kExtendedSelfTest = 0x02;
constexpr uint8_t kConveyanceSelfTest = 0x03;
constexpr uint8_t kAbortSelfTest = 0x7F;
}  // namespace ata

// The subcommand that asks for `request`.
uint8_t AtaSelfTestSubcommand(SelfTestRequest request);

// Capabilities, recommended polling times and the state of the current or
// last test from the SMART READ DATA page (bytes 363-376).
void DecodeAtaSelfTestData(std::span<const uint8_t> smartData, SelfTestState& state);

// Whether the drive keeps the self-test log (or the error log): IDENTIFY
// words 84 and 87 say so when their top bits mark them valid; otherwise the
// SMART data's error-logging bit (byte 370 bit 0) stands for both.
bool AtaHasSelfTestLog(std::span<const uint8_t> identify, std::span<const uint8_t> smartData);
bool AtaHasErrorLog(std::span<const uint8_t> identify, std::span<const uint8_t> smartData);

// All 512 bytes of a S.M.A.R.T. page add up to 0 mod 256.
bool AtaPageChecksumGood(std::span<const uint8_t> page);

// The self-test log's entries, newest first. Nothing (and why in `error`)
// for a page of another size, a bad checksum, or an index beyond the 21
// descriptors; an index of 0 is a log with no tests.
std::optional<std::vector<SelfTestEntry>> DecodeAtaSelfTestLog(std::span<const uint8_t> page,
                                                               std::string* error = nullptr);

// The device error count of the summary error log: every error the drive has
// counted, not only the five it keeps. Nothing for a bad page, as above.
std::optional<uint32_t> DecodeAtaErrorCount(std::span<const uint8_t> page, std::string* error = nullptr);

}  // namespace taruk
