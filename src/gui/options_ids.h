#pragma once
// The Options dialog's control ids and how its controls pair up, shared by
// the Qt and the native Windows dialogs (both build from template 134 in res/).

#include <cstdint>

#include "core/view/options_exchange.h"

namespace taruk::options_ids {

enum Control : int {
  IdRunAtStartup = 1017,
  IdPollEdit = 1018,
  IdCriticalEdit = 1019,
  IdPollSpin = 1020,
  IdCriticalSpin = 1021,
  IdTemperatureActionList = 1022,
  IdFreeSpaceActionList = 1023,
  IdTemperatureTestSound = 1028,
  IdFreeSpaceTestSound = 1029,
  IdEmailEdit = 1030,
  IdServerEdit = 1031,
  IdSendTestEmail = 1032,
  IdMinimumFreeSpaceEdit = 1035,
  IdHealthActionList = 1039,
  IdHealthTestSound = 1040,
  IdTrayTemperature = 1051,
  IdSelfTests = 1052,
  IdShortDays = 1053,
  IdExtendedDays = 1054,
};

// The five group boxes, whose captions are drawn in palette::kGroupCaption.
constexpr int kGroupBoxIds[] = {1026, 1027, 1036, 1038, 1037};

// Each action list, the "Test sound" button that shows beside it, and the
// setting it edits.
struct ActionList {
  int list;
  int testSound;
  int32_t OptionsExchange::*action;
};
constexpr ActionList kActionLists[] = {
    {IdTemperatureActionList, IdTemperatureTestSound, &OptionsExchange::temperatureAction},
    {IdFreeSpaceActionList, IdFreeSpaceTestSound, &OptionsExchange::freeSpaceAction},
    {IdHealthActionList, IdHealthTestSound, &OptionsExchange::healthAction},
};

// A list's "Test sound" button shows only while the list says "Play sound".
constexpr bool ShowsTestSound(int selectedEntry) { return selectedEntry == static_cast<int>(AlarmAction::PlaySound); }

}  // namespace taruk::options_ids
