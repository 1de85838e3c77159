#pragma once
// A drive's own self-tests: which it offers, the one running now, the log of
// past results, and the count of its error log. ATA, NVMe and SCSI drives
// code their results each in their own way; an entry keeps the drive's code and
// its meaning for the verdict side by side.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace taruk {

enum class SelfTestKind : uint8_t { Offline, Short, Extended, Conveyance, Selective, Vendor };

// What a user or the schedule asks of a drive.
enum class SelfTestRequest : uint8_t { Short, Extended, Conveyance, Abort };

// What became of one test, whatever the bus.
enum class SelfTestResult : uint8_t {
  Passed,   // completed without error
  Aborted,  // stopped from outside (host, reset, format...): says nothing about the drive
  Failed,   // the drive found a fault
  Running,  // still in progress
  Unknown,  // a code the bus does not define
};

struct SelfTestEntry {
  SelfTestKind kind = SelfTestKind::Short;
  uint8_t code = 0;  // the drive's own status: ATA status nibble, NVMe or SCSI result nibble
  SelfTestResult result = SelfTestResult::Passed;
  uint64_t powerOnHours = 0;
  std::optional<uint64_t> failingLba;
  std::optional<uint8_t> failedSegment;  // NVMe, SCSI: the segment that failed (result 7)
  std::optional<uint32_t> sense;         // SCSI: sense key, ASC and ASCQ of the failure, as 0xKKAAQQ
  friend bool operator==(const SelfTestEntry&, const SelfTestEntry&) = default;
};

// Everything the last reading pass learnt about a drive's self-tests.
struct SelfTestState {
  bool known = false;             // the drive said whether it runs self-tests
  bool shortAndExtended = false;  // it runs short and extended tests
  bool conveyance = false;        // and conveyance tests (ATA)
  // How long each test takes, in minutes, as the drive recommends polling
  // (ATA); NVMe gives the extended time only (EDSTT), short tests take two.
  uint32_t shortMinutes = 0;
  uint32_t extendedMinutes = 0;
  uint32_t conveyanceMinutes = 0;
  // The test running now.
  bool running = false;
  std::optional<SelfTestKind> runningKind;  // NVMe says; ATA does not
  uint8_t percentDone = 0;                  // 0..100
  // ATA: the status nibble of the current or last test (SMART data byte
  // 363), which the drive keeps even where it has no log.
  std::optional<uint8_t> executionStatus;
  bool logRead = false;
  std::vector<SelfTestEntry> log;      // newest first
  std::optional<uint32_t> errorCount;  // ATA device error count, NVMe error log entries
  friend bool operator==(const SelfTestState&, const SelfTestState&) = default;
};

// "short", "extended", "conveyance", "off-line", "selective", "vendor".
const char* SelfTestKindName(SelfTestKind kind);
// "short", "extended", "conveyance", "abort".
const char* SelfTestRequestName(SelfTestRequest request);
// "passed", "aborted", "failed", "running", "unknown".
const char* SelfTestResultName(SelfTestResult result);

// The drive's status in words, by bus ("Completed: read failure").
std::string AtaSelfTestStatusText(uint8_t code);
std::string NvmeSelfTestStatusText(uint8_t code, std::optional<uint8_t> segment);
std::string ScsiSelfTestStatusText(const SelfTestEntry& entry);
// A SCSI failure's sense key, ASC and ASCQ ("3/11/00"); empty without one.
std::string SelfTestSenseText(const SelfTestEntry& entry);

// Which of the results a code stands for.
SelfTestResult AtaSelfTestResult(uint8_t code);
SelfTestResult NvmeSelfTestResult(uint8_t code);
SelfTestResult ScsiSelfTestResult(uint8_t code);

}  // namespace taruk
