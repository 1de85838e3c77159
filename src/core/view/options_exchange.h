#pragma once
// What the Options dialog and its caller hand each other, and the checks the
// dialog makes before it may end with OK. No window here.

#include <array>
#include <cstdint>
#include <string>

#include "core/settings/monitor_config.h"

namespace taruk {

// The entries of both action lists, in AlarmAction order.
extern const std::array<const wchar_t*, 7> AlarmActionTexts;

// The settings as the dialog edits them: numbers as decimal texts, actions as
// list selections (-1 for none).
struct OptionsExchange {
  std::wstring pollIntervalText;
  std::wstring criticalTemperatureText;
  std::wstring minimumFreeSpaceText;
  int32_t temperatureAction = 0;
  int32_t freeSpaceAction = 0;
  int32_t healthAction = 0;
  std::wstring emailAddress;
  std::wstring smtpServer;
};

// "%d" of a signed 32-bit value.
std::wstring FormatDecimal(int32_t value);

// The C library's wide-text-to-integer rule: leading white space, an optional
// sign, then decimal digits up to the first other character. No digits gives
// 0; a number beyond the 32-bit range gives its nearest end.
int32_t WideTextToInteger(const std::wstring& text);

// Fills the exchange from the settings. The unsigned minimum free space is
// formatted as a signed number, as the settings file stores it.
OptionsExchange OptionsExchangeFromConfig(const MonitorConfig& config);

// Takes an accepted dialog's values over. A negative minimum free space wraps
// to its 32-bit two's complement.
void ApplyOptionsExchange(const OptionsExchange& exchange, MonitorConfig& config);

// The dialog's check of one text, as the message it shows; empty when the
// text passes.
std::wstring PollIntervalInputError(const std::wstring& pollIntervalText);
std::wstring CriticalTemperatureInputError(const std::wstring& criticalTemperatureText);

// The first check that the poll interval and critical temperature texts fail,
// as the message the dialog shows; empty when both pass.
std::wstring OptionsInputError(const std::wstring& pollIntervalText, const std::wstring& criticalTemperatureText);

}  // namespace taruk
