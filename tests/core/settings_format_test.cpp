#include "core/settings/settings_format.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace taruk;

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

// What a file reads as, shown as the file the record would be saved as.
std::string Reread(const std::string& bytes) { return Format(Read(bytes)); }

}  // namespace

TEST(SettingsFormat, OneLineWithTheFreeSpaceMinimumBeforeItsAction) {
  MonitorConfig config;
  EXPECT_EQ(Format(config), "60 55 0 0 0 taruk@example.invalid smtp.example.invalid");
  config.temperatureAction = AlarmAction::SendEmail;
  config.freeSpaceAction = AlarmAction::PlaySound;
  config.minimumFreeSpace = 999;
  EXPECT_EQ(Format(config), "60 55 6 999 5 taruk@example.invalid smtp.example.invalid");
}

TEST(SettingsFormat, LargeNumbersAreGroupedWithNoBreakSpacesAndReadEitherWay) {
  MonitorConfig config;
  config.minimumFreeSpace = 5000;
  config.emailAddress = L"a";
  config.smtpServer = L"b";
  EXPECT_EQ(Format(config),
            "60 55 0 5\xA0"
            "000 0 a b");
  EXPECT_EQ(Read(Format(config)).minimumFreeSpace, 5000u);
  EXPECT_EQ(Read("60 55 0 5000 0 a b").minimumFreeSpace, 5000u);

  // A negative minimum typed in the Options dialog is kept as its two's
  // complement, and so is a hand-written minus sign.
  config.minimumFreeSpace = static_cast<uint32_t>(-5);
  config.pollInterval = -1234;
  config.criticalTemperature = INT32_MIN;
  const std::string extremes =
      "-1\xA0"
      "234 -2\xA0"
      "147\xA0"
      "483\xA0"
      "648 0 4\xA0"
      "294\xA0"
      "967\xA0"
      "291 0 a b";
  EXPECT_EQ(Format(config), extremes);
  EXPECT_EQ(Reread(extremes), extremes);
  EXPECT_EQ(Read("60 55 0 -5 0 a b").minimumFreeSpace, 4294967291u);
}

TEST(SettingsFormat, TextsAreSplitIntoWordsOnReading) {
  MonitorConfig config;
  config.emailAddress = L"";
  config.smtpServer = L"mail.example.org";
  EXPECT_EQ(Format(config), "60 55 0 0 0  mail.example.org");
  // The server moved up into the address.
  EXPECT_EQ(Reread(Format(config)), "60 55 0 0 0 mail.example.org ");
  config.emailAddress = L"Ops Team";
  EXPECT_EQ(Reread(Format(config)), "60 55 0 0 0 Ops Team");

  // Any white space separates; the no-break space belongs to the word.
  EXPECT_EQ(Reread("\r\n 10\t20\n\n1 2\v3 \f a\xA0"
                   "b\r\nc\r\n"),
            "10 20 1 2 3 a\xA0"
            "b c");
  // Longer words than the reader holds are refused; the stream fails.
  const std::string longest(255, 'w');
  EXPECT_EQ(Reread("1 2 3 4 5 " + longest + " host"), "1 2 3 4 5 " + longest + " host");
  EXPECT_EQ(Reread("1 2 3 4 5 " + longest + "w host"), "1 2 3 4 5  ");
  EXPECT_EQ(Reread("1 2 3 4 5 a " + std::string(100000, 'x')), "1 2 3 4 5 a ");
}

TEST(SettingsFormat, DamageKeepsLaterNumbersAtDefaultAndEmptiesTheTexts) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "60 55 0 0 0  "},
      {"120", "120 55 0 0 0  "},
      {"120 70 6 100 6 ", "120 70 6 100 6  "},
      {"120 70 6 100 6 only", "120 70 6 100 6 only "},
      // One failed number stops all later ones, readable or not.
      {"120 hot 6 100 6 a b", "120 55 0 0 0  "},
      {"120 70 - 100 6 a b", "120 70 0 0 0  "},
      {"120x 70 6 100 6 a b", "120 55 0 0 0  "},
      {"+120 070 6 100 6 a b", "120 70 6 100 6 a b"},
      // 32 bits at most.
      {"2147483647 -2147483648 6 4294967295 6 a b",
       "2\xA0"
       "147\xA0"
       "483\xA0"
       "647 -2\xA0"
       "147\xA0"
       "483\xA0"
       "648 6 4\xA0"
       "294\xA0"
       "967\xA0"
       "295 6 a b"},
      {"2147483648 70 6 100 6 a b", "60 55 0 0 0  "},
      {"120 -2147483649 6 100 6 a b", "120 55 0 0 0  "},
      {"120 70 6 4294967296 6 a b", "120 70 6 0 0  "},
      {"120 70 6 99999999999999999999999 6 a b", "120 70 6 0 0  "},
      // Digit groups in the wrong places.
      {"1\xA0"
       "200 70 6 50\xA0"
       "00 6 a b",
       "1\xA0"
       "200 70 6 0 0  "},
      {"1200\xA0"
       "000 70 6 100 6 a b",
       "60 55 0 0 0  "},
      {"120 70 6 1\xA0\xA0"
       "000 6 a b",
       "120 70 6 0 0  "},
      {"120 70 6 1\xA0 6 a b", "120 70 6 0 0  "},
      {"120 70 6 \xA0"
       "100 6 a b",
       "120 70 6 0 0  "},
      // 0x98 has no character in code page 1251: the text ends there.
      {"120 70 6 100 6 ab\x98"
       "cd ef",
       "120 70 6 100 6 ab "},
      {"120 7\x98"
       "0 6 100 6 a b",
       "120 7 0 0 0  "},
      // A NUL ends the text of a word, not the word.
      {"120 70 6 100 6 ab\0cd ef"s, "120 70 6 100 6 ab ef"},
  };
  for (const auto& [bytes, expected] : cases) {
    EXPECT_EQ(Reread(bytes), expected) << testing::PrintToString(bytes);
  }
}

TEST(SettingsFormat, FileOfTheWindowsVersionReadsAndWritesBackByteForByte) {
  // Written by the Windows version under the Russian locale: e-mail address
  // "админ@почта.рф", server "smtp.почта.рф".
  const std::string windowsFile =
      "600 70 6 4\xA0"
      "294\xA0"
      "967\xA0"
      "295 1 "
      "\xE0\xE4\xEC\xE8\xED@\xEF\xEE\xF7\xF2\xE0.\xF0\xF4 smtp.\xEF\xEE\xF7\xF2\xE0.\xF0\xF4";
  const MonitorConfig read = Read(windowsFile);
  EXPECT_EQ(read.pollInterval, 600);
  EXPECT_EQ(read.criticalTemperature, 70);
  EXPECT_EQ(read.temperatureAction, AlarmAction::SendEmail);
  EXPECT_EQ(read.minimumFreeSpace, 4294967295u);
  EXPECT_EQ(read.freeSpaceAction, AlarmAction::ShowNotification);
  EXPECT_EQ(read.emailAddress, L"\u0430\u0434\u043C\u0438\u043D@\u043F\u043E\u0447\u0442\u0430.\u0440\u0444");
  EXPECT_EQ(read.smtpServer, L"smtp.\u043F\u043E\u0447\u0442\u0430.\u0440\u0444");
  EXPECT_EQ(read.healthAction, AlarmAction::ShowNotification);
  // Written back as it was: the health action is at its default.
  EXPECT_EQ(Format(read), windowsFile);
  // A choice of its own follows the seven values, where a reader of seven
  // stops before it.
  MonitorConfig chosen = read;
  chosen.healthAction = AlarmAction::None;
  EXPECT_EQ(Format(chosen), windowsFile + " 0");
  EXPECT_EQ(Read(Format(chosen)).healthAction, AlarmAction::None);
}

TEST(SettingsFormat, TheHealthActionIsAnEighthValueThatSevenValueFilesGoWithout) {
  const struct {
    std::string bytes;
    AlarmAction health;
    const char* saved;
  } cases[] = {
      {"60 55 0 0 0 a b", AlarmAction::ShowNotification, "60 55 0 0 0 a b"},
      {"60 55 0 0 0 a b ", AlarmAction::ShowNotification, "60 55 0 0 0 a b"},
      {"60 55 0 0 0 a b 1", AlarmAction::ShowNotification, "60 55 0 0 0 a b"},
      {"60 55 0 0 0 a b 6", AlarmAction::SendEmail, "60 55 0 0 0 a b 6"},
      {"60 55 0 0 0 a b 0", AlarmAction::None, "60 55 0 0 0 a b 0"},
      {"60 55 0 0 0 a b -1 ninth", AlarmAction{-1}, "60 55 0 0 0 a b -1"},
      {"60 55 0 0 0 a b x", AlarmAction::ShowNotification, "60 55 0 0 0 a b"},
      // Damage before it keeps it at its default too.
      {"60 hot 0 0 0 a b 6", AlarmAction::ShowNotification, "60 55 0 0 0  "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    const MonitorConfig read = Read(c.bytes);
    EXPECT_EQ(read.healthAction, c.health);
    EXPECT_EQ(Format(read), c.saved);
    // The seven values before it read the same with or without it.
    MonitorConfig seven = Read(c.bytes.substr(0, c.bytes.find(" a b") + 4));
    seven.healthAction = read.healthAction;
    EXPECT_EQ(Format(seven), Format(read));
  }
}

TEST(SettingsFormat, TextOutsideCodePage1251IsNotWrittenAtAll) {
  MonitorConfig config;
  config.smtpServer = L"host\u20AC\u2116";  // euro and numero signs are in it
  EXPECT_EQ(Format(config), "60 55 0 0 0 taruk@example.invalid host\x88\xB9");
  config.emailAddress = L"\u4E2D\u6587@example.org";  // Chinese is not
  std::string bytes = "untouched";
  EXPECT_FALSE(FormatSettings(config, bytes));
  EXPECT_EQ(bytes, "untouched");
}

TEST(SettingsFormat, RandomRecordsSurviveTheRoundTrip) {
  std::mt19937 generator(20240611);
  const std::wstring alphabet = L"azAZ09@.-_\u00A0\u0410\u044F\u0451\u2116\u20AC";
  auto pick = [&](size_t low, size_t high) { return std::uniform_int_distribution<size_t>(low, high)(generator); };
  auto word = [&] {
    std::wstring text(pick(1, 255), L' ');
    for (wchar_t& c : text) c = alphabet[pick(0, alphabet.size() - 1)];
    return text;
  };
  // Half small numbers, half anywhere in 32 bits.
  auto number = [&] {
    return pick(0, 1) ? static_cast<int32_t>(pick(0, 2000)) - 1000 : static_cast<int32_t>(generator());
  };
  for (int i = 0; i < 500; ++i) {
    MonitorConfig config;
    config.pollInterval = number();
    config.criticalTemperature = number();
    config.temperatureAction = static_cast<AlarmAction>(number());
    config.minimumFreeSpace = static_cast<uint32_t>(number());
    config.freeSpaceAction = static_cast<AlarmAction>(number());
    config.emailAddress = word();
    config.smtpServer = word();
    config.healthAction = static_cast<AlarmAction>(number());
    ASSERT_EQ(Reread(Format(config)), Format(config));
  }
}

TEST(SettingsFormat, AFileIsWholeOnlyWhenEveryByteWasUnderstood) {
  const std::string longest(255, 'w');
  const std::pair<std::string, std::string> cases[] = {
      {"60 55 0 0 0 a b 1", ""},
      {"60 55 0 0 0 a b", ""},  // the Windows version's seven
      {"\r\n 60\t55 0 5\xA0"
       "000 0 a b 1 \r\n",
       ""},
      {"1 2 3 4 5 " + longest + " b", ""},
      {"\xEF\xBB\xBF"
       "60 55 0 0 0 a b",
       "value 1 (the poll interval) at offset 0 is not a number it can hold"},
      {"6O 55 0 0 0 a b", "value 2 (the critical temperature) at offset 1 is not a number it can hold"},
      {"60 55 0 0 0 a", "value 7 (the SMTP server) is missing: the text ends before it"},
      {"60 55 0 0 0 a\x98 b", "byte 0x98 at offset 13 is not a character of code page 1251"},
      {"60 55 0 0 0 a b\x98", "byte 0x98 at offset 15 is not a character of code page 1251"},
      {"1 2 3 4 5 " + longest + "w b", "value 6 (the e-mail address) is longer than 255 characters"},
      {"60 55 0 0 0 a b x", "value 8 (the health action) at offset 16 is not a number it can hold"},
      {"60 55 0 0 0 a b 1 c", "something follows the last value"},
      {"", "value 1 (the poll interval) is missing: the text ends before it"},
  };
  for (const auto& [bytes, problem] : cases) {
    MonitorConfig config;
    const SettingsReading reading = ReadSettingsText(bytes, config);
    EXPECT_EQ(reading.whole, problem.empty()) << testing::PrintToString(bytes);
    EXPECT_EQ(reading.problem, problem) << testing::PrintToString(bytes);
  }
}
