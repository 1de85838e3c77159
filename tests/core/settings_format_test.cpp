#include <gtest/gtest.h>

#include <random>
#include <string>

#include "app/settings_format.h"

using namespace std::string_literals;

namespace {

std::string Format(const MonitorConfig& config) {
  std::string bytes = "<not written>";
  EXPECT_TRUE(FormatSettings(config, bytes));
  return bytes;
}

MonitorConfig Read(const std::string& bytes) {
  MonitorConfig config;
  ReadSettingsText(bytes, config);
  return config;
}

void ExpectSameRecord(const MonitorConfig& actual, const MonitorConfig& expected) {
  EXPECT_EQ(actual.pollInterval, expected.pollInterval);
  EXPECT_EQ(actual.criticalTemperature, expected.criticalTemperature);
  EXPECT_EQ(actual.temperatureAction, expected.temperatureAction);
  EXPECT_EQ(actual.freeSpaceAction, expected.freeSpaceAction);
  EXPECT_EQ(actual.minimumFreeSpace, expected.minimumFreeSpace);
  EXPECT_EQ(actual.emailAddress, expected.emailAddress);
  EXPECT_EQ(actual.smtpServer, expected.smtpServer);
}

}  // namespace

TEST(SettingsFormat, DefaultsAreOneLineWithTheFreeSpaceMinimumBeforeItsAction) {
  MonitorConfig config;
  EXPECT_EQ(Format(config), "60 55 0 0 0 taruk@example.invalid smtp.example.invalid");
  config.temperatureAction = AlarmAction::SendEmail;
  config.freeSpaceAction = AlarmAction::PlaySound;
  config.minimumFreeSpace = 42;
  EXPECT_EQ(Format(config), "60 55 6 42 5 taruk@example.invalid smtp.example.invalid");
}

TEST(SettingsFormat, NumbersOfFourDigitsOrMoreAreGroupedWithNoBreakSpaces) {
  MonitorConfig config;
  config.minimumFreeSpace = 5000;
  EXPECT_EQ(Format(config), "60 55 0 5\xA0" "000 0 taruk@example.invalid smtp.example.invalid");
  EXPECT_EQ(Read(Format(config)).minimumFreeSpace, 5000u);
  EXPECT_EQ(Read("60 55 0 5000 0 a b").minimumFreeSpace, 5000u);

  config.minimumFreeSpace = 999;
  EXPECT_EQ(Format(config), "60 55 0 999 0 taruk@example.invalid smtp.example.invalid");

  config.minimumFreeSpace = 4294967295u;
  config.pollInterval = -1234;
  config.criticalTemperature = INT32_MIN;
  EXPECT_EQ(Format(config),
            "-1\xA0" "234 -2\xA0" "147\xA0" "483\xA0" "648 0 4\xA0" "294\xA0" "967\xA0" "295 0 "
            "taruk@example.invalid smtp.example.invalid");
  ExpectSameRecord(Read(Format(config)), config);
}

TEST(SettingsFormat, NegativeMinimumIsWrittenAsItsTwosComplement) {
  MonitorConfig config;
  config.minimumFreeSpace = static_cast<uint32_t>(-5);  // what the Options dialog stores for -5
  EXPECT_EQ(Format(config),
            "60 55 0 4\xA0" "294\xA0" "967\xA0" "291 0 taruk@example.invalid smtp.example.invalid");
  EXPECT_EQ(Read(Format(config)).minimumFreeSpace, 4294967291u);
  // A hand-written minus sign wraps the same way.
  EXPECT_EQ(Read("60 55 0 -5 0 a b").minimumFreeSpace, 4294967291u);
}

TEST(SettingsFormat, WordsAreSplitAtWhiteSpaceOnReading) {
  MonitorConfig config;
  config.emailAddress = L"";
  config.smtpServer = L"mail.example.org";
  EXPECT_EQ(Format(config), "60 55 0 0 0  mail.example.org");
  MonitorConfig reread = Read(Format(config));
  EXPECT_EQ(reread.emailAddress, L"mail.example.org");
  EXPECT_EQ(reread.smtpServer, L"");

  config.emailAddress = L"Ops Team";
  EXPECT_EQ(Format(config), "60 55 0 0 0 Ops Team mail.example.org");
  reread = Read(Format(config));
  EXPECT_EQ(reread.emailAddress, L"Ops");
  EXPECT_EQ(reread.smtpServer, L"Team");

  // Any run of white space separates, line ends and tabs included; the
  // no-break space does not.
  reread = Read("\r\n 10\t20\n\n1 2\v3 \f a\xA0" "b\r\nc\r\n");
  EXPECT_EQ(reread.pollInterval, 10);
  EXPECT_EQ(reread.criticalTemperature, 20);
  EXPECT_EQ(reread.temperatureAction, AlarmAction::ShowNotification);
  EXPECT_EQ(reread.minimumFreeSpace, 2u);
  EXPECT_EQ(reread.freeSpaceAction, AlarmAction::Suspend);
  EXPECT_EQ(reread.emailAddress, L"a\u00A0b");
  EXPECT_EQ(reread.smtpServer, L"c");
}

TEST(SettingsFormat, DamageKeepsLaterIntegersAtDefaultAndEmptiesTheStrings) {
  struct Case {
    std::string bytes;
    int32_t poll, critical, temperatureAction;
    uint32_t minimum;
    int32_t freeSpaceAction;
    const wchar_t* email;
    const wchar_t* server;
  };
  const Case cases[] = {
      {"", 60, 55, 0, 0, 0, L"", L""},
      {"   \n", 60, 55, 0, 0, 0, L"", L""},
      {"120", 120, 55, 0, 0, 0, L"", L""},
      {"120 70 6 100 6", 120, 70, 6, 100, 6, L"", L""},
      {"120 70 6 100 6 ", 120, 70, 6, 100, 6, L"", L""},
      {"120 70 6 100 6 only", 120, 70, 6, 100, 6, L"only", L""},
      // A failed integer stops every later one, even readable ones.
      {"120 hot 6 100 6 a b", 120, 55, 0, 0, 0, L"", L""},
      {"120 70 - 100 6 a b", 120, 70, 0, 0, 0, L"", L""},
      {"120 70 6 100 x a b", 120, 70, 6, 100, 0, L"", L""},
      // Digits end a number at the first other character.
      {"120x 70 6 100 6 a b", 120, 55, 0, 0, 0, L"", L""},
      {"+120 70 6 100 6 a b", 120, 70, 6, 100, 6, L"a", L"b"},
      {"0120 070 6 100 6 a b", 120, 70, 6, 100, 6, L"a", L"b"},
      // Outside 32 bits.
      {"2147483647 -2147483648 6 4294967295 6 a b", INT32_MAX, INT32_MIN, 6, 4294967295u, 6,
       L"a", L"b"},
      {"2147483648 70 6 100 6 a b", 60, 55, 0, 0, 0, L"", L""},
      {"120 -2147483649 6 100 6 a b", 120, 55, 0, 0, 0, L"", L""},
      {"120 70 6 4294967296 6 a b", 120, 70, 6, 0, 0, L"", L""},
      {"120 70 6 99999999999999999999999 6 a b", 120, 70, 6, 0, 0, L"", L""},
      // Digit groups in the wrong places.
      {"1\xA0" "200 70 6 50\xA0" "00 6 a b", 1200, 70, 6, 0, 0, L"", L""},
      {"1200\xA0" "000 70 6 100 6 a b", 60, 55, 0, 0, 0, L"", L""},
      {"120 70 6 1\xA0\xA0" "000 6 a b", 120, 70, 6, 0, 0, L"", L""},
      {"120 70 6 1\xA0 6 a b", 120, 70, 6, 0, 0, L"", L""},
      {"120 70 6 \xA0" "100 6 a b", 120, 70, 6, 0, 0, L"", L""},
      {"120 70 6 1\xA0" "000\xA0" "00 6 a b", 120, 70, 6, 0, 0, L"", L""},
      // 0x98 has no character in code page 1251: the text ends there.
      {"120 70 6 100 6 ab\x98" "cd ef", 120, 70, 6, 100, 6, L"ab", L""},
      {"120 7\x98" "0 6 100 6 a b", 120, 7, 0, 0, 0, L"", L""},
      // A NUL ends the text of a word, not the word.
      {"120 70 6 100 6 ab\0cd ef"s, 120, 70, 6, 100, 6, L"ab", L"ef"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    const MonitorConfig read = Read(c.bytes);
    EXPECT_EQ(read.pollInterval, c.poll);
    EXPECT_EQ(read.criticalTemperature, c.critical);
    EXPECT_EQ(static_cast<int32_t>(read.temperatureAction), c.temperatureAction);
    EXPECT_EQ(read.minimumFreeSpace, c.minimum);
    EXPECT_EQ(static_cast<int32_t>(read.freeSpaceAction), c.freeSpaceAction);
    EXPECT_EQ(read.emailAddress, c.email);
    EXPECT_EQ(read.smtpServer, c.server);
  }
}

TEST(SettingsFormat, WordsLongerThan255CharactersAreRefused) {
  const std::string longest(255, 'a');
  MonitorConfig read = Read("60 55 0 0 0 " + longest + " host");
  EXPECT_EQ(read.emailAddress, std::wstring(255, L'a'));
  EXPECT_EQ(read.smtpServer, L"host");

  read = Read("60 55 0 0 0 " + longest + "b host");
  EXPECT_EQ(read.emailAddress, L"");
  EXPECT_EQ(read.smtpServer, L"");

  read = Read("60 55 0 0 0 a " + std::string(100000, 'x'));
  EXPECT_EQ(read.emailAddress, L"a");
  EXPECT_EQ(read.smtpServer, L"");
}

TEST(SettingsFormat, FileOfTheWindowsVersionReadsAndWritesBackByteForByte) {
  // Written by the Windows version under the Russian locale: e-mail address
  // "админ@почта.рф", server "smtp.почта.рф", 4,294,967,295 MB minimum.
  const std::string windowsFile =
      "600 70 6 4\xA0" "294\xA0" "967\xA0" "295 1 "
      "\xE0\xE4\xEC\xE8\xED@\xEF\xEE\xF7\xF2\xE0.\xF0\xF4 smtp.\xEF\xEE\xF7\xF2\xE0.\xF0\xF4";
  MonitorConfig expected;
  expected.pollInterval = 600;
  expected.criticalTemperature = 70;
  expected.temperatureAction = AlarmAction::SendEmail;
  expected.minimumFreeSpace = 4294967295u;
  expected.freeSpaceAction = AlarmAction::ShowNotification;
  expected.emailAddress = L"\u0430\u0434\u043C\u0438\u043D@\u043F\u043E\u0447\u0442\u0430.\u0440\u0444";
  expected.smtpServer = L"smtp.\u043F\u043E\u0447\u0442\u0430.\u0440\u0444";
  ExpectSameRecord(Read(windowsFile), expected);
  EXPECT_EQ(Format(expected), windowsFile);
}

TEST(SettingsFormat, TextOutsideCodePage1251IsNotWrittenAtAll) {
  MonitorConfig config;
  config.emailAddress = L"\u4E2D\u6587@example.org";  // Chinese: not in the code page
  std::string bytes = "untouched";
  EXPECT_FALSE(FormatSettings(config, bytes));
  EXPECT_EQ(bytes, "untouched");

  config.emailAddress = L"a@b.c";
  config.smtpServer = L"host\u20AC\u2116";  // euro and numero signs are in it
  EXPECT_TRUE(FormatSettings(config, bytes));
  EXPECT_EQ(bytes, "60 55 0 0 0 a@b.c host\x88\xB9");
}

TEST(SettingsFormat, RandomRecordsSurviveTheRoundTrip) {
  std::mt19937 generator(20240611);
  // Letters of both alphabets, digits, address punctuation, no-break space.
  const std::wstring alphabet =
      L"abcxyzABCXYZ0189@.-_+\u00A0\u0410\u042F\u0430\u044F\u0451\u0401\u2116\u20AC";
  auto word = [&] {
    std::wstring text(std::uniform_int_distribution<size_t>(1, 255)(generator), L' ');
    for (wchar_t& c : text) {
      c = alphabet[std::uniform_int_distribution<size_t>(0, alphabet.size() - 1)(generator)];
    }
    return text;
  };
  auto int32 = [&] {
    // Half small values, half anywhere in the range.
    return generator() % 2 ? static_cast<int32_t>(generator() % 2000) - 1000
                        : static_cast<int32_t>(generator());
  };
  for (int i = 0; i < 500; ++i) {
    MonitorConfig config;
    config.pollInterval = int32();
    config.criticalTemperature = int32();
    config.temperatureAction = static_cast<AlarmAction>(int32());
    config.minimumFreeSpace = static_cast<uint32_t>(int32());
    config.freeSpaceAction = static_cast<AlarmAction>(int32());
    config.emailAddress = word();
    config.smtpServer = word();
    SCOPED_TRACE(i);
    ExpectSameRecord(Read(Format(config)), config);
  }
}
