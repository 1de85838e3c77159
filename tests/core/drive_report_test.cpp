#include "core/view/drive_report.h"

#include <gtest/gtest.h>

#include "core/drive/nvme_health_log.h"

using namespace taruk;

namespace {

DriveSlots OneDrive() {
  DriveSlots slots = DriveSlots(kDiskButtonCount);
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
            "{\"drives\":[{\"index\":2,\"id\":null,\"device\":\"\",\"interface\":\"ata\","
            "\"model\":\"Quote\\\" Back\\\\ Tab\\u0009 \xc3\xa9\xc3\xbf \","
            "\"serialNumber\":\"  S1\",\"firmware\":\"F\\u0001\","
            "\"capacityGb\":0,\"capacityMb\":5,\"cylinders\":-1,\"tracksPerCylinder\":0,"
            "\"sectorsPerTrack\":0,\"bytesPerSector\":0,\"temperature\":45,\"powerOnHours\":300,"
            "\"powerMode\":\"unknown\","
            "\"health\":\"bad\",\"healthReasons\":[\"Attribute 210 failing now: value 1, threshold 3\"],"
            "\"selfTests\":null,\"errorCount\":null,\"attributes\":["
            "{\"id\":194,\"name\":\"Temperature \",\"current\":45,\"worst\":60,\"threshold\":0,"
            "\"raw\":\"00000014002d\",\"rawValue\":45,\"unit\":\"\xc2\xb0"
            "C\"},"
            "{\"id\":210,\"name\":\"(Unknown attribute)\",\"current\":1,\"worst\":2,\"threshold\":3,"
            "\"raw\":\"060504030201\",\"rawValue\":null,\"unit\":null}]}]}\n");
  // No reading is no sensor, not 0 degrees.
  DriveSlots noSensor = OneDrive();
  noSensor[2].temperature = 0;
  EXPECT_NE(DriveReportJson(noSensor).find(",\"temperature\":null,"), std::string::npos);
  EXPECT_NE(DriveReportText(noSensor).find("\nTemperature: no sensor\n"), std::string::npos);
}

TEST(DriveReport, TextShowsWhatThePanelAndTheDetailsListShow) {
  const std::string text = DriveReportText(OneDrive());
  EXPECT_EQ(text.rfind("HD2: Quote\" Back\\ Tab\t \xc3\xa9\xc3\xbf \n", 0), 0u) << text;
  EXPECT_NE(text.find("\nCapacity: 0.00 Gb\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nTemperature: 45 \xc2\xb0"
                      "C\n"),
            std::string::npos)
      << text;
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
  // Beside the hex digits, the raw value in its unit where it is known.
  EXPECT_NE(text.find("   45          0     60  00000014002d  45 \xc2\xb0"
                      "C\n"),
            std::string::npos)
      << text;
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
  EXPECT_NE(woken.find("\nTemperature: 45 \xc2\xb0"
                       "C\n"),
            std::string::npos)
      << woken;

  for (const auto& [mode, json] : {std::pair{PowerMode::Standby, "\"powerMode\":\"standby\""},
                                   std::pair{PowerMode::Active, "\"powerMode\":\"active\""},
                                   std::pair{PowerMode::Unknown, "\"powerMode\":\"unknown\""}}) {
    slots[2].powerMode = mode;
    EXPECT_NE(DriveReportJson(slots).find(json), std::string::npos) << json;
  }
}

// An NVMe drive: its log's rows in the text with the columns the log has no
// value for left empty, and in the JSON every field of the log by name.
TEST(DriveReport, AnNvmeDriveShowsItsLogInTheTextAndTheJson) {
  DriveSlots slots = DriveSlots(kDiskButtonCount);
  DriveSlot& slot = slots[1];
  slot.capacityGb = 500;
  slot.model = L"NV";
  NvmeHealthLog log;
  log.compositeTemperatureKelvin = 310;
  log.availableSpare = 100;
  log.availableSpareThreshold = 10;
  log.percentageUsed = 3;
  log.powerOnHours = {1234, false};
  log.mediaErrors = {0xFFFFFFFFFFFFFFFF, true};
  log.errorLogEntries = {9, false};
  log.criticalTemperatureMinutes = 2;
  StoreNvmeHealthLog(log, slot);

  const std::string text = DriveReportText(slots);
  EXPECT_NE(text.find("Temperature: 37 \xc2\xb0"
                      "C\nWork time: 1234 hours (51 days)\n"
                      "Health: caution (18446744073709551615 media errors)\n"),
            std::string::npos)
      << text;
  const auto row = [&](const std::string& start) {
    const size_t at = text.find(start);
    return at == std::string::npos ? std::string() : text.substr(at, text.find('\n', at) - at);
  };
  EXPECT_TRUE(row("  3  Available Spare ").ends_with("    100         10         000000000064  100 %")) << text;
  EXPECT_TRUE(row(" 14  Media and Data Integrity Errors").ends_with("       ffffffffffff  18446744073709551615"))
      << text;
  // In degrees, not the kelvin the raw column keeps; bits are no number.
  EXPECT_TRUE(row("  2  Composite Temperature")
                  .ends_with("000000000136  37 \xc2\xb0"
                             "C"))
      << text;
  EXPECT_TRUE(row("  1  Critical Warning").ends_with("000000000000")) << text;

  const std::string json = DriveReportJson(slots);
  EXPECT_EQ(json.rfind("{\"drives\":[{\"index\":1,\"id\":null,\"device\":\"\",\"interface\":\"nvme\",", 0), 0u) << json;
  EXPECT_NE(json.find(",\"nvme\":{\"criticalWarning\":0,\"compositeTemperatureKelvin\":310,\"availableSpare\":100,"
                      "\"availableSpareThreshold\":10,\"percentageUsed\":3,\"enduranceGroupWarning\":0,"
                      "\"dataUnitsRead\":0,\"dataUnitsWritten\":0,\"hostReadCommands\":0,\"hostWriteCommands\":0,"
                      "\"controllerBusyTime\":0,\"powerCycles\":0,\"powerOnHours\":1234,\"unsafeShutdowns\":0,"
                      "\"mediaErrors\":18446744073709551615,\"errorLogEntries\":9,\"warningTemperatureMinutes\":0,"
                      "\"criticalTemperatureMinutes\":2},\"attributes\":[{\"id\":1,\"name\":\"Critical Warning\","
                      "\"current\":null,\"worst\":null,\"threshold\":null,\"raw\":\"000000000000\","
                      "\"rawValue\":null,\"unit\":null},"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("{\"id\":3,\"name\":\"Available Spare\",\"current\":100,\"worst\":null,\"threshold\":10,"),
            std::string::npos)
      << json;

  // Seen only through sysfs: the interface, no log, nothing to judge.
  slot.nvmeLog.reset();
  EXPECT_NE(DriveReportJson(slots).find("\"health\":\"unknown\",\"healthReasons\":[\"the NVMe health log could not "
                                        "be read\"],\"selfTests\":null,\"errorCount\":null,\"attributes\":[]}"),
            std::string::npos);
}
