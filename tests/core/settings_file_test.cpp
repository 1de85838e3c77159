#include "core/settings/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "core/base/path_text.h"
#include "core/monitor/monitor.h"
#include "core/view/window_texts.h"
#include "support/quiet_machine.h"
#include "support/recording_platform.h"
#include "support/settings_fixture.h"
#include "support/test_drives.h"

using namespace taruk;

TEST_F(SettingsFileTest, FirstStartKeepsTheDefaultsAndTheFirstSaveWritesThem) {
  EXPECT_FALSE(SaveSettings(MonitorConfig{}));  // only the load makes the folder
  const MonitorConfig loaded = Load();
  EXPECT_EQ(loaded.pollInterval, 60);
  EXPECT_EQ(loaded.smtpServer, L"smtp.example.invalid");
  ASSERT_TRUE(SaveSettings(loaded));
  EXPECT_EQ(ReadFileBytes(file), kDefaultFile);
  EXPECT_EQ(Load().emailAddress, L"taruk@example.invalid");
}

TEST_F(SettingsFileTest, UnrepresentableTextLeavesTheOldFileAndFails) {
  Load();
  ASSERT_TRUE(SaveSettings(MonitorConfig{}));
  MonitorConfig config = WithPollInterval(10);
  config.emailAddress = L"\u00E9mile@example.org";  // é has no byte in code page 1251
  EXPECT_FALSE(SaveSettings(config));
  EXPECT_EQ(ReadFileBytes(file), kDefaultFile);
  EXPECT_EQ(ListFolder(folder), "conf.dat ");
}

TEST_F(SettingsFileTest, ValuesStraddlingTheFileReadsAreReadWhole) {
  Load();
  std::string bytes;
  for (const char* value : {"90", "65", "3",
                            "12\xA0"
                            "345",
                            "4", "ops@example.org", "mx"}) {
    bytes += std::string(4093, ' ') + value;  // each read brings in 4,096 bytes
  }
  ASSERT_TRUE(WriteFileBytes(file, bytes));
  const MonitorConfig loaded = Load();
  EXPECT_EQ(loaded.pollInterval, 90);
  EXPECT_EQ(loaded.minimumFreeSpace, 12345u);
  EXPECT_EQ(loaded.smtpServer, L"mx");
}

TEST_F(SettingsFileTest, AFolderNamedConfDatIsNotRead) {
  // It would read as an empty file and blank both texts.
  Load();
  ASSERT_TRUE(std::filesystem::create_directory(file));
  EXPECT_EQ(Load().emailAddress, L"taruk@example.invalid");
  EXPECT_FALSE(SaveSettings(MonitorConfig{}));
}

TEST_F(SettingsFileTest, AFileReadInPartAndAnEditOnDiskAreNeverWrittenOver) {
  const auto monitorOf = [](RecordingPlatform& platform, TestDrives& drives, NoVolumes& volumes, FixedClock& clock) {
    return std::make_unique<Monitor>(MonitorEnvironment{drives.Opener(), volumes, clock, platform});
  };
  RecordingPlatform platform;
  TestDrives drives;
  NoVolumes volumes;
  FixedClock clock;
  Load();  // makes the folder

  // No file at start: the headless monitor writes the defaults at its end,
  // unless one has appeared meanwhile.
  auto monitor = monitorOf(platform, drives, volumes, clock);
  monitor->LoadSettings();
  std::string problem;
  ASSERT_TRUE(monitor->CreateSettingsIfMissing(problem)) << problem;
  EXPECT_EQ(ReadFileBytes(file), kDefaultFile);
  ASSERT_TRUE(std::filesystem::remove(file));
  monitor->LoadSettings();
  ASSERT_TRUE(WriteFileBytes(file, "30 50 0 0 0 made@meanwhile b"));
  EXPECT_TRUE(monitor->CreateSettingsIfMissing(problem));
  EXPECT_EQ(ReadFileBytes(file), "30 50 0 0 0 made@meanwhile b");

  // Read whole, then edited while it runs: the headless end leaves the edit.
  monitor->LoadSettings();
  ASSERT_TRUE(WriteFileBytes(file, "45 50 0 0 0 edited b"));
  EXPECT_TRUE(monitor->CreateSettingsIfMissing(problem));
  EXPECT_EQ(ReadFileBytes(file), "45 50 0 0 0 edited b");

  // Understood in part (a typo in the critical temperature wipes every
  // later value in memory): nothing writes it over, and the window says why.
  const std::string typo = "60 5O 6 0 0 admin@example.org mx.example.org";
  ASSERT_TRUE(WriteFileBytes(file, typo));
  monitor->LoadSettings();
  EXPECT_EQ(monitor->Config().emailAddress, L"");
  EXPECT_TRUE(monitor->CreateSettingsIfMissing(problem));
  EXPECT_FALSE(monitor->SaveSettings(problem));
  std::string shown;  // the path as the problem names it
  ASSERT_TRUE(WidePathToBytes(SettingsPath(), 1024, shown));
  EXPECT_EQ(problem, shown +
                         ": value 3 (the temperature action) at offset 4 is not a number it can hold; "
                         "the file was not read whole, so it is left as it is");
  EXPECT_EQ(ReadFileBytes(file), typo);
  EXPECT_EQ(SettingsNotSavedText(monitor->LoadedSettings()),
            L"Can't save configuration to a file!\n\nThe settings file was not read whole, so it is left as it "
            L"is: " +
                SettingsPath() + L": value 3 (the temperature action) at offset 4 is not a number it can hold");

  // Read whole: the window saves, and an ordinary failure keeps its words.
  ASSERT_TRUE(WriteFileBytes(file, kDefaultFile));
  monitor->LoadSettings();
  monitor->Config().pollInterval = 90;
  EXPECT_TRUE(monitor->SaveSettings(problem)) << problem;
  EXPECT_EQ(Load().pollInterval, 90);
  EXPECT_EQ(SettingsNotSavedText(monitor->LoadedSettings()), L"Can't save configuration to a file!");
}
