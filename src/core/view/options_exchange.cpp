#include "core/view/options_exchange.h"

#include <limits>

namespace taruk {

const std::array<const wchar_t*, 7> AlarmActionTexts = {
    L"None",       L"Show notification", L"Shut down the system", L"Suspend the system", L"Hibernate the system",
    L"Play sound", L"Send e-mail",
};

std::wstring FormatDecimal(int32_t value) { return std::to_wstring(value); }

int32_t WideTextToInteger(const std::wstring& text) {
  // The classic "C" locale's blanks; the process locale must not change what
  // the user's text means.
  size_t i = 0;
  while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  // Accumulated as a negative number, whose range is one larger.
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  int64_t value = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    value = value * 10 - (text[i] - L'0');
    if (value < kMin) value = kMin - 1;  // saturated; keeps reading the digits
  }
  if (negative) return static_cast<int32_t>(value < kMin ? kMin : value);
  if (-value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(-value);
}

OptionsExchange OptionsExchangeFromConfig(const MonitorConfig& config) {
  OptionsExchange exchange;
  exchange.pollIntervalText = FormatDecimal(config.pollInterval);
  exchange.criticalTemperatureText = FormatDecimal(config.criticalTemperature);
  exchange.minimumFreeSpaceText = FormatDecimal(static_cast<int32_t>(config.minimumFreeSpace));
  exchange.temperatureAction = static_cast<int32_t>(config.temperatureAction);
  exchange.freeSpaceAction = static_cast<int32_t>(config.freeSpaceAction);
  exchange.healthAction = static_cast<int32_t>(config.healthAction);
  exchange.emailAddress = config.emailAddress;
  exchange.smtpServer = config.smtpServer;
  return exchange;
}

void ApplyOptionsExchange(const OptionsExchange& exchange, MonitorConfig& config) {
  config.pollInterval = WideTextToInteger(exchange.pollIntervalText);
  config.criticalTemperature = WideTextToInteger(exchange.criticalTemperatureText);
  config.minimumFreeSpace = static_cast<uint32_t>(WideTextToInteger(exchange.minimumFreeSpaceText));
  config.temperatureAction = static_cast<AlarmAction>(exchange.temperatureAction);
  config.freeSpaceAction = static_cast<AlarmAction>(exchange.freeSpaceAction);
  config.healthAction = static_cast<AlarmAction>(exchange.healthAction);
  config.emailAddress = exchange.emailAddress;
  config.smtpServer = exchange.smtpServer;
}

std::wstring PollIntervalInputError(const std::wstring& pollIntervalText) {
  const int32_t poll = WideTextToInteger(pollIntervalText);
  if (poll < 10 || poll > 600) return L"Wrong polling period! It must be in range 10 - 600 seconds!";
  return {};
}

std::wstring CriticalTemperatureInputError(const std::wstring& criticalTemperatureText) {
  const int32_t critical = WideTextToInteger(criticalTemperatureText);
  if (critical < 1 || critical > 100) return L"Wrong critical temperature! It must be in range 1 - 100 !";
  return {};
}

std::wstring OptionsInputError(const std::wstring& pollIntervalText, const std::wstring& criticalTemperatureText) {
  std::wstring error = PollIntervalInputError(pollIntervalText);
  return error.empty() ? CriticalTemperatureInputError(criticalTemperatureText) : error;
}

}  // namespace taruk
