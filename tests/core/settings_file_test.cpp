#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/monitor/settings_file.h"
#include "support/settings_fixture.h"

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
  for (const char* value : {"90", "65", "3", "12\xA0" "345", "4", "ops@example.org", "mx"}) {
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
