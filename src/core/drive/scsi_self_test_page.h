#pragma once
// What a SCSI disk tells about its self-tests: the self-test results log
// page (10h), whose presence in the supported pages says the drive runs
// them, the progress of a running test from REQUEST SENSE, and how long an
// extended test takes from the control mode page (0Ah).

#include <cstdint>
#include <optional>
#include <span>

#include "core/drive/scsi_commands.h"
#include "core/drive/self_test.h"

namespace taruk {

namespace scsi_page {
constexpr uint8_t kSelfTestResults = 0x10;
}  // namespace scsi_page

// The SEND DIAGNOSTIC code for `request`; nothing for a conveyance test,
// which SCSI does not have.
std::optional<ScsiSelfTestCode> ScsiSelfTestCodeFor(SelfTestRequest request);

// The 20 results of page 10h, newest first, into `state` (the log, and the
// test running now when the newest says so); unused entries are skipped,
// and a page cut short gives the entries it holds whole. False, with
// `state` untouched, when the data is not that page.
bool DecodeScsiSelfTestPage(std::span<const uint8_t> data, SelfTestState& state);

// The extended self-test completion time, in seconds, from the control mode
// page as MODE SENSE(10) (`ten`) or (6) returned it; nothing when the data
// holds no whole control page, or the drive gives no time (0).
std::optional<uint32_t> DecodeExtendedSelfTestSeconds(std::span<const uint8_t> data, bool ten);
// Those seconds as the minutes a test is shown to take, rounded up.
uint32_t SelfTestMinutes(uint32_t seconds);

}  // namespace taruk
