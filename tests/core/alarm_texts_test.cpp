#include "core/alarm/alarm_texts.h"

#include <gtest/gtest.h>

#include "core/alarm/alarm_sound_path.h"
#include "core/base/path_text.h"

using namespace taruk;

namespace {

TEST(AlarmTextsTest, TemperatureAlarmGivesTheCriticalFigureInTheBalloonAndBothInTheMail) {
  DriveSlot slot;
  slot.model = L"ST3200822A                              ";  // padded as stored
  slot.temperature = 60;
  const AlarmMessage message = TemperatureAlarmMessage(1, slot, 55);
  // The balloon and the mail read without the padding, which would wrap them.
  EXPECT_EQ(message.balloonText, L"HD1: ST3200822A Critical temperature reached (55 \u00B0C)");
  EXPECT_EQ(message.subject, L"Taruk - critical temperature reached");
  EXPECT_EQ(message.body, L"Critical temperature: 55\r\n\r\n HD1: ST3200822A current temperature 60 C");
}

// A balloon replaces only one about the same alarm of the same drive or
// volume; a drive at risk is a warning, a full volume is not.
TEST(AlarmTextsTest, EachAlarmOfEachDriveHasItsOwnTopic) {
  DriveSlot slot;
  slot.model = L"  WDC WD800  ";
  DriveHealth health;
  health.verdict = HealthVerdict::Caution;
  const struct {
    AlarmMessage message;
    const wchar_t* topic;
    bool warning;
  } cases[] = {
      {TemperatureAlarmMessage(1, slot, 55), L"temperature HD1", true},
      {TemperatureAlarmMessage(2, slot, 55), L"temperature HD2", true},
      {HealthAlarmMessage(1, slot, health), L"health HD1", true},
      {FreeSpaceAlarmMessage(L"C:\\", 1, 2), L"free space C:\\", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.message.topic, c.topic);
    EXPECT_EQ(c.message.warning, c.warning) << c.topic;
  }
  EXPECT_EQ(cases[2].message.balloonText, L"HD1: WDC WD800 health: caution");
}

TEST(AlarmTextsTest, FreeSpaceAlarmNamesTheRootFollowedByAColon) {
  const AlarmMessage message = FreeSpaceAlarmMessage(L"C:\\", 12, 4294967295u);
  EXPECT_EQ(message.balloonText,
            L"Disk C:\\: Minimum disk free space reached! Current free space 12 Mb, minimum 4294967295 Mb");
  EXPECT_EQ(message.subject, L"Taruk - minimum disk space reached");
  EXPECT_EQ(message.body, L"Disk C:\\: current space 12 Mb, minimum space 4294967295 Mb");
}

TEST(AlarmTextsTest, BalloonKeepsTheFirst255CharactersButTheMailKeepsAll) {
  const std::wstring root = L"/" + std::wstring(300, L'd');
  const AlarmMessage message = FreeSpaceAlarmMessage(root, 1, 2);
  EXPECT_EQ(message.balloonText, (L"Disk " + root).substr(0, 255));
  EXPECT_EQ(message.body, L"Disk " + root + L": current space 1 Mb, minimum space 2 Mb");

  // 77 characters of text around the root: 255 in all is kept whole, one
  // more loses the last letter.
  const std::wstring fits(255 - 77, L'x');
  EXPECT_EQ(FreeSpaceAlarmMessage(fits, 1, 2).balloonText.size(), 255u);
  EXPECT_EQ(FreeSpaceAlarmMessage(fits, 1, 2).balloonText.substr(250), L" 2 Mb");
  EXPECT_EQ(FreeSpaceAlarmMessage(fits + L"x", 1, 2).balloonText.substr(250), L"m 2 M");
}

TEST(AlarmSoundPathTest, AlarmWavReplacesTheExecutableName) {
  EXPECT_EQ(AlarmSoundPathFor(L"/usr/local/bin/taruk"), L"/usr/local/bin/alarm.wav");
  EXPECT_EQ(AlarmSoundPathFor(L"/opt/my tools/taruk"), L"/opt/my tools/alarm.wav");
  EXPECT_EQ(AlarmSoundPathFor(L"//taruk"), L"//alarm.wav");
  // The separator must stand after the first character; otherwise the path
  // is left as it is.
  EXPECT_EQ(AlarmSoundPathFor(L"/taruk"), L"/taruk");
  EXPECT_EQ(AlarmSoundPathFor(L""), L"");
  EXPECT_EQ(AlarmSoundPathFor(L"taruk"), L"taruk");
  // Windows names folders with backslashes (GetModuleFileNameW); on Linux a
  // backslash is part of a name.
  const std::wstring windowsPath = L"C:\\Program Files\\Taruk\\taruk.exe";
  const bool backslashSeparates = std::wstring_view(kPathSeparators).find(L'\\') != std::wstring_view::npos;
  EXPECT_EQ(AlarmSoundPathFor(windowsPath), backslashSeparates ? L"C:\\Program Files\\Taruk\\alarm.wav" : windowsPath);
  EXPECT_EQ(AlarmSoundPathFor(L"/opt/a\\b/taruk"), L"/opt/a\\b/alarm.wav");
}

}  // namespace
