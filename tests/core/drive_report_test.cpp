#include <gtest/gtest.h>

#include "core/capture/drive_report.h"

using namespace taruk;

namespace {

DriveSlots OneDrive() {
  DriveSlots slots{};
  DriveSlot& slot = slots[2];
  slot.model = L"Quote\" Back\\ Tab\t \u00e9\u00ff ";
  slot.serialNumber = L"  S1";
  slot.firmware = std::wstring(L"F\u0001");
  slot.capacityGb = 0;
  slot.capacityMb = 5;  // present on megabytes alone
  slot.cylinders = -1;
  slot.temperature = 45;
  slot.powerOnHours = 300;
  slot.attributes[1] = {194, 45, 60, 0, {0x2D, 0, 0x14, 0, 0, 0}};
  slot.attributes[3] = {210, 1, 2, 3, {1, 2, 3, 4, 5, 6}};
  return slots;
}

}  // namespace

TEST(DriveReport, JsonKeepsTextsExactlyAndEscapesThem) {
  EXPECT_EQ(DriveReportJson(DriveSlots{}), "{\"drives\":[]}\n");
  EXPECT_EQ(DriveReportJson(OneDrive()),
            "{\"drives\":[{\"index\":2,"
            "\"model\":\"Quote\\\" Back\\\\ Tab\\u0009 \xc3\xa9\xc3\xbf \","
            "\"serialNumber\":\"  S1\",\"firmware\":\"F\\u0001\","
            "\"capacityGb\":0,\"capacityMb\":5,\"cylinders\":-1,\"tracksPerCylinder\":0,"
            "\"sectorsPerTrack\":0,\"bytesPerSector\":0,\"temperature\":45,\"powerOnHours\":300,"
            "\"powerMode\":\"unknown\","
            "\"health\":\"bad\",\"healthReasons\":[\"Attribute 210 failing now: value 1, threshold 3\"],"
            "\"attributes\":["
            "{\"id\":194,\"name\":\"Temperature \",\"current\":45,\"worst\":60,\"threshold\":0,"
            "\"raw\":\"00000014002d\"},"
            "{\"id\":210,\"name\":\"(Unknown attribute)\",\"current\":1,\"worst\":2,\"threshold\":3,"
            "\"raw\":\"060504030201\"}]}]}\n");
}

TEST(DriveReport, TextShowsWhatThePanelAndTheDetailsListShow) {
  const std::string text = DriveReportText(OneDrive());
  EXPECT_EQ(text.rfind("HD2: Quote\" Back\\ Tab\t \xc3\xa9\xc3\xbf \n", 0), 0u) << text;
  EXPECT_NE(text.find("\nCapacity: 0.00 Gb\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nTemperature: 45 \xc2\xb0" "C\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nWork time: 300 hours (12 days)\n"
                      "Health: bad (Attribute 210 failing now: value 1, threshold 3)\n"),
            std::string::npos)
      << text;
  // The rows in page order, the threshold before the worst value.
  const size_t temperature = text.find("194  Temperature ");
  const size_t unknown = text.find("210  (Unknown attribute) ");
  ASSERT_NE(temperature, std::string::npos) << text;
  ASSERT_NE(unknown, std::string::npos) << text;
  EXPECT_LT(temperature, unknown);
  const std::string row = text.substr(unknown, text.find('\n', unknown) - unknown);
  const std::string tail = "    1          3      2  060504030201";
  EXPECT_EQ(row.substr(row.size() - tail.size()), tail) << row;
  EXPECT_EQ(DriveReportText(DriveSlots{}), "No drive answered.\n");

  // Escape sequences in a drive's texts never reach the terminal.
  DriveSlots hostile = OneDrive();
  hostile[2].model = L"\x1b]0;owned\x07\u009b2J";
  const std::string shown = DriveReportText(hostile);
  EXPECT_EQ(shown.rfind("HD2: ?]0;owned??2J\n", 0), 0u) << shown;
  EXPECT_NE(shown.find("\nFirmware: F?\n"), std::string::npos) << shown;
}

TEST(DriveReport, ASleepingDriveShowsItsIdentityAndThatItWasNotRead) {
  DriveSlots slots = OneDrive();
  slots[2].powerMode = PowerMode::Standby;
  const std::string text = DriveReportText(slots);
  EXPECT_NE(text.find("\nFirmware: F?\nstandby: not read (taruk --report --wake reads it)\n"), std::string::npos)
      << text;
  EXPECT_EQ(text.find("Temperature"), std::string::npos) << text;
  EXPECT_EQ(text.find("194 "), std::string::npos) << text;
  // Woken and read: reported in full.
  const std::string woken = DriveReportText(slots, true);
  EXPECT_EQ(woken.find("standby"), std::string::npos) << woken;
  EXPECT_NE(woken.find("\nTemperature: 45 \xc2\xb0" "C\n"), std::string::npos) << woken;

  for (const auto& [mode, json] : {std::pair{PowerMode::Standby, "\"powerMode\":\"standby\""},
                                   std::pair{PowerMode::Active, "\"powerMode\":\"active\""},
                                   std::pair{PowerMode::Unknown, "\"powerMode\":\"unknown\""}}) {
    slots[2].powerMode = mode;
    EXPECT_NE(DriveReportJson(slots).find(json), std::string::npos) << json;
  }
}
