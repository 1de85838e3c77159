#pragma once
// The self-test schedule in the side settings file (taruk.toml): the
// user's choice in [selftest], and the last start of each test per drive in
// [selftest.last-start], so that a restart keeps the periods.
//
//   [selftest]
//   enabled = true
//   short-every-days = 7
//   extended-every-days = 30
//
//   [selftest.last-start]          # per serial number: short, then extended
//   "WD-WCC4E1234567" = "1800000000 1797408000"

#include <vector>

#include "core/monitor/self_test_schedule.h"
#include "core/settings/side_settings.h"

namespace taruk {

// Longest period in [selftest] that is taken: beyond ten years is a typo.
constexpr int64_t kMostSelfTestDays = 3650;

// The schedule and its state from a parsed side file; what is missing or
// out of range keeps its default.
void LoadSelfTestSchedule(const SideSettings& side, SelfTestScheduleSettings& settings, SelfTestScheduleState& state);

// The changes that write `state`'s starts into the file.
std::vector<SideSettingChange> SelfTestScheduleChanges(const SelfTestScheduleState& state);

}  // namespace taruk
