#pragma once
// The Options dialog's self-test schedule: the [selftest] values of
// taruk.toml as the dialog's check box and two day fields, their check on
// OK, and the write of what changed. The running monitor takes a changed
// file at its next cycle (core/monitor/scheduled_self_tests.h).

#include <string>

#include "core/monitor/self_test_schedule.h"

namespace taruk {

struct SelfTestScheduleForm {
  bool enabled = false;
  std::wstring shortDays;  // whole days, 0: none
  std::wstring extendedDays;
};

// The schedule in taruk.toml now; the defaults where the file has none.
SelfTestScheduleForm LoadSelfTestScheduleForm();

// The form's days as a schedule. False, with `error` for a stop box, for a
// field that is not a whole number from 0 to kMostSelfTestDays.
bool ReadSelfTestScheduleForm(const SelfTestScheduleForm& form, SelfTestScheduleSettings& settings,
                              std::wstring& error);

// Writes the values the user changed from those the dialog opened with (a
// value edited by hand meanwhile stays, as does a file that can't be read
// when nothing changed); empty when done, else the reason for a stop box.
std::wstring StoreSelfTestSchedule(const SelfTestScheduleForm& opened, const SelfTestScheduleSettings& chosen);

}  // namespace taruk
