// The Options dialog's checks and the caller's conversions, without a window.
#include <gtest/gtest.h>

#include <string>

#include "app/options_exchange.h"

TEST(WideTextToInteger, FollowsTheCLibraryRule) {
  EXPECT_EQ(WideTextToInteger(L"60"), 60);
  EXPECT_EQ(WideTextToInteger(L"  \t\n42abc"), 42);
  EXPECT_EQ(WideTextToInteger(L"+5"), 5);
  EXPECT_EQ(WideTextToInteger(L"-17 sec"), -17);
  EXPECT_EQ(WideTextToInteger(L""), 0);
  EXPECT_EQ(WideTextToInteger(L"sixty"), 0);
  EXPECT_EQ(WideTextToInteger(L"- 5"), 0);
  EXPECT_EQ(WideTextToInteger(L"--5"), 0);
  EXPECT_EQ(WideTextToInteger(L"1 2"), 1);
  // Only the "C" blanks and ASCII digits count, whatever the process locale.
  EXPECT_EQ(WideTextToInteger(L"\u00a05"), 0);
  EXPECT_EQ(WideTextToInteger(L"\u0663"), 0);
  EXPECT_EQ(WideTextToInteger(L"\uff15"), 0);
}

TEST(WideTextToInteger, NumbersBeyondThirtyTwoBitsStopAtTheEnds) {
  EXPECT_EQ(WideTextToInteger(L"2147483647"), 2147483647);
  EXPECT_EQ(WideTextToInteger(L"2147483648"), 2147483647);
  EXPECT_EQ(WideTextToInteger(L"-2147483648"), -2147483647 - 1);
  EXPECT_EQ(WideTextToInteger(L"-2147483649"), -2147483647 - 1);
  EXPECT_EQ(WideTextToInteger(L"99999999999999999999999999999999999"), 2147483647);
  EXPECT_EQ(WideTextToInteger(L"-99999999999999999999999999999999999"), -2147483647 - 1);
  EXPECT_EQ(WideTextToInteger(L"0000000000000000000000000000000600"), 600);
}

TEST(OptionsInputError, PollIntervalMustLieBetweenTenAndSixHundred) {
  const std::wstring pollMessage = L"Wrong polling period! It must be in range 10 - 600 seconds!";
  EXPECT_EQ(OptionsInputError(L"9", L"55"), pollMessage);
  EXPECT_EQ(OptionsInputError(L"10", L"55"), L"");
  EXPECT_EQ(OptionsInputError(L"600", L"55"), L"");
  EXPECT_EQ(OptionsInputError(L"601", L"55"), pollMessage);
  EXPECT_EQ(OptionsInputError(L"abc", L"55"), pollMessage);
  EXPECT_EQ(OptionsInputError(L"", L"55"), pollMessage);
  EXPECT_EQ(OptionsInputError(L"-60", L"55"), pollMessage);
  EXPECT_EQ(OptionsInputError(L"4294967356", L"55"), pollMessage);  // would wrap to 60
}

TEST(OptionsInputError, CriticalTemperatureMustLieBetweenOneAndHundred) {
  const std::wstring criticalMessage = L"Wrong critical temperature! It must be in range 1 - 100 !";
  EXPECT_EQ(OptionsInputError(L"60", L"0"), criticalMessage);
  EXPECT_EQ(OptionsInputError(L"60", L"1"), L"");
  EXPECT_EQ(OptionsInputError(L"60", L"100"), L"");
  EXPECT_EQ(OptionsInputError(L"60", L"101"), criticalMessage);
  EXPECT_EQ(OptionsInputError(L"60", L""), criticalMessage);
  // The poll interval is checked first: only its message when both are wrong.
  EXPECT_EQ(OptionsInputError(L"5", L"500"), L"Wrong polling period! It must be in range 10 - 600 seconds!");
}

TEST(OptionsExchange, AcceptedTextsBecomeTheSettings) {
  MonitorConfig config;
  OptionsExchange exchange = OptionsExchangeFromConfig(config);
  EXPECT_EQ(exchange.pollIntervalText, L"60");
  EXPECT_EQ(exchange.criticalTemperatureText, L"55");
  EXPECT_EQ(exchange.minimumFreeSpaceText, L"0");

  exchange.pollIntervalText = L" 120";
  exchange.criticalTemperatureText = L"70 C";
  exchange.minimumFreeSpaceText = L"";  // empty is accepted and means 0
  exchange.temperatureAction = 5;
  exchange.freeSpaceAction = -1;  // a list without a selection
  exchange.emailAddress = L"ops@example.org";
  exchange.smtpServer = L"127.0.0.1";
  config.minimumFreeSpace = 500;
  ApplyOptionsExchange(exchange, config);
  EXPECT_EQ(config.pollInterval, 120);
  EXPECT_EQ(config.criticalTemperature, 70);
  EXPECT_EQ(config.minimumFreeSpace, 0u);
  EXPECT_EQ(config.temperatureAction, AlarmAction::PlaySound);
  EXPECT_EQ(static_cast<int32_t>(config.freeSpaceAction), -1);
  EXPECT_EQ(config.emailAddress, L"ops@example.org");
  EXPECT_EQ(config.smtpServer, L"127.0.0.1");
}

TEST(OptionsExchange, MinimumFreeSpaceTravelsAsASignedNumber) {
  MonitorConfig config;
  OptionsExchange exchange = OptionsExchangeFromConfig(config);
  exchange.minimumFreeSpaceText = L"-1";
  ApplyOptionsExchange(exchange, config);
  EXPECT_EQ(config.minimumFreeSpace, 4294967295u);

  // Above the signed range it shows negative and comes back unchanged.
  config.minimumFreeSpace = 3000000000u;
  exchange = OptionsExchangeFromConfig(config);
  EXPECT_EQ(exchange.minimumFreeSpaceText, L"-1294967296");
  config.minimumFreeSpace = 0;
  ApplyOptionsExchange(exchange, config);
  EXPECT_EQ(config.minimumFreeSpace, 3000000000u);
}
