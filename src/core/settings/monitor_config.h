#pragma once
// The settings record held by the main window (or the headless monitor).

#include <cstdint>
#include <string>

#include "core/settings/alarm_action.h"

namespace taruk {

struct MonitorConfig {
  int32_t pollInterval = 60;         // seconds between cycles
  int32_t criticalTemperature = 55;  // degrees Celsius
  AlarmAction temperatureAction = AlarmAction::None;
  AlarmAction freeSpaceAction = AlarmAction::None;
  uint32_t minimumFreeSpace = 0;  // megabytes of 10^6 bytes
  // Placeholders until the user sets them; the .invalid domain never resolves,
  // so an e-mail action left at the defaults fails at once.
  std::wstring emailAddress = L"taruk@example.invalid";
  std::wstring smtpServer = L"smtp.example.invalid";
  // Carried out once when a drive's health worsens; on by default, since a
  // failing drive is what a disk monitor is installed for.
  AlarmAction healthAction = AlarmAction::ShowNotification;
};

}  // namespace taruk
