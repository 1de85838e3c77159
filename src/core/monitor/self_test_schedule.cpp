#include "core/monitor/self_test_schedule.h"

#include <algorithm>

namespace taruk {

namespace {

constexpr int64_t kDay = 24 * 3600;
constexpr int64_t kRetryAfter = 3600;

ScheduledDrive& Remembered(SelfTestScheduleState& state, const std::wstring& serialNumber, int64_t now,
                           const SelfTestScheduleSettings& settings) {
  const auto found = std::find_if(state.drives.begin(), state.drives.end(),
                                  [&](const ScheduledDrive& d) { return d.serialNumber == serialNumber; });
  if (found != state.drives.end()) return *found;
  // First seen: the short test is due now, the extended one a day later for
  // every drive already known, so that they spread over the nights.
  const auto ahead = static_cast<int64_t>(state.drives.size());
  ScheduledDrive drive;
  drive.serialNumber = serialNumber;
  drive.lastShort = now - settings.shortEveryDays * kDay;
  drive.lastExtended = now - settings.extendedEveryDays * kDay + (ahead + 1) * kDay;
  state.drives.push_back(drive);
  return state.drives.back();
}

bool Due(int64_t last, uint32_t everyDays, int64_t now) { return now - last >= static_cast<int64_t>(everyDays) * kDay; }

}  // namespace

std::optional<ScheduledStart> NextScheduledSelfTest(const SelfTestScheduleSettings& settings,
                                                    const std::vector<ScheduleCandidate>& drives, int64_t now,
                                                    SelfTestScheduleState& state) {
  if (!settings.enabled) return std::nullopt;
  const bool anyRunning =
      std::any_of(drives.begin(), drives.end(), [](const ScheduleCandidate& d) { return d.running; });
  for (const ScheduleCandidate& candidate : drives) {
    if (!candidate.offersTests || candidate.serialNumber.empty()) continue;
    ScheduledDrive& drive = Remembered(state, candidate.serialNumber, now, settings);
    if (candidate.asleep || candidate.running) continue;
    if (drive.lastAttempt != 0 && now - drive.lastAttempt < kRetryAfter) continue;
    if (settings.extendedEveryDays > 0 && Due(drive.lastExtended, settings.extendedEveryDays, now) && !anyRunning) {
      return ScheduledStart{candidate.driveNumber, SelfTestRequest::Extended};
    }
    if (settings.shortEveryDays > 0 && Due(drive.lastShort, settings.shortEveryDays, now)) {
      return ScheduledStart{candidate.driveNumber, SelfTestRequest::Short};
    }
  }
  return std::nullopt;
}

void RecordScheduledStart(const ScheduledStart& start, const std::wstring& serialNumber, bool accepted, int64_t now,
                          SelfTestScheduleState& state) {
  for (ScheduledDrive& drive : state.drives) {
    if (drive.serialNumber != serialNumber) continue;
    drive.lastAttempt = now;
    if (!accepted) return;
    drive.lastShort = now;  // an extended test reads what a short one would
    if (start.request == SelfTestRequest::Extended) drive.lastExtended = now;
    return;
  }
}

}  // namespace taruk
