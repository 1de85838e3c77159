#pragma once
// What an NVMe drive tells about its self-tests: whether it runs them and
// how long an extended one takes (Identify Controller), and the Device
// Self-test log (log 06h): the test running now and the last 20 results.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "core/drive/self_test.h"
#include "core/drive/smart_device.h"

namespace taruk {

namespace nvme {
constexpr uint8_t kDeviceSelfTest = 0x14;  // admin opcode
constexpr uint8_t kSelfTestLog = 0x06;     // log identifier
// Self-test codes (CDW10 bits 3:0).
constexpr uint8_t kShortSelfTest = 0x1;
constexpr uint8_t kExtendedSelfTest = 0x2;
constexpr uint8_t kAbortSelfTest = 0xF;
// The status a drive refuses a second test with while one runs.
constexpr uint16_t kSelfTestInProgress = 0x1D;
}  // namespace nvme

// The self-test code for `request`; nothing for a conveyance test, which
// NVMe does not have.
std::optional<uint8_t> NvmeSelfTestCode(SelfTestRequest request);

// True when a refused command's status (as the drive gave it, with the
// status code type above the code) says a self-test is already running.
bool NvmeSelfTestAlreadyRunning(uint32_t status);

// OACS bit 4 (self-test supported) and EDSTT (extended test minutes) from
// Identify Controller data of 4096 bytes; anything else leaves `state` alone.
void DecodeNvmeSelfTestSupport(std::span<const uint8_t> identify, SelfTestState& state);

// The current test and the results, newest first, from the log; unused
// entries are skipped. False (and `state` untouched) for a log of another
// size.
bool DecodeNvmeSelfTestLog(std::span<const uint8_t> log, SelfTestState& state);

}  // namespace taruk
