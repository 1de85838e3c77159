#pragma once
// When the monitor starts a drive's self-test by itself: a short test every
// few days and an extended one every few weeks per drive, off unless the
// user turns it on. Pure logic over a clock given in seconds and a plain
// state record, so that a restart picks up where it left off once the state
// is kept, and tests can script weeks in a moment.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/drive/self_test.h"

namespace taruk {

struct SelfTestScheduleSettings {
  bool enabled = false;
  uint32_t shortEveryDays = 7;
  uint32_t extendedEveryDays = 30;
};

// What the schedule remembers of one drive (by serial number): when each
// test was last started, Unix seconds; 0 never.
struct ScheduledDrive {
  std::wstring serialNumber;
  int64_t lastShort = 0;
  int64_t lastExtended = 0;
  int64_t lastAttempt = 0;  // at most one start an hour; one the drive did not take is tried again then
  friend bool operator==(const ScheduledDrive&, const ScheduledDrive&) = default;
};

struct SelfTestScheduleState {
  std::vector<ScheduledDrive> drives;
  friend bool operator==(const SelfTestScheduleState&, const SelfTestScheduleState&) = default;
};

// A drive as the last reading pass left it.
struct ScheduleCandidate {
  int driveNumber = 0;
  std::wstring serialNumber;
  bool offersTests = false;  // short and extended
  bool asleep = false;       // a sleeping drive waits until it wakes by itself
  bool running = false;      // a test already runs: nothing is started over it
};

struct ScheduledStart {
  int driveNumber = 0;
  SelfTestRequest request = SelfTestRequest::Short;
  friend bool operator==(const ScheduledStart&, const ScheduledStart&) = default;
};

// The one test to start now, if any (at most one per call: the monitor asks
// once per cycle). An extended test is due before a short one and counts as
// one; a drive seen for the first time gets its short test at once and its
// first extended one a day later, one more day for each drive ahead of it,
// so that drives added together do not all read their whole surface in the
// same night. No
// extended test starts while another drive runs a test, so two never run
// at once. Missed periods are not made up: one test, then the next period.
std::optional<ScheduledStart> NextScheduledSelfTest(const SelfTestScheduleSettings& settings,
                                                    const std::vector<ScheduleCandidate>& drives, int64_t now,
                                                    SelfTestScheduleState& state);

// What became of the start NextScheduledSelfTest asked for.
void RecordScheduledStart(const ScheduledStart& start, const std::wstring& serialNumber, bool accepted, int64_t now,
                          SelfTestScheduleState& state);

}  // namespace taruk
