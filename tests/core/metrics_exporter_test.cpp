#include "core/metrics/metrics_exporter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "core/drive/nvme_health_log.h"
#include "core/metrics/metrics_page.h"
#include "core/monitor/monitoring_cycle.h"
#include "support/quiet_machine.h"
#include "support/recording_platform.h"
#include "support/scratch_dir.h"
#include "support/test_drives.h"

using namespace taruk;

namespace {

// The page's samples without the HELP and TYPE lines, and without those of
// the families named in `leaveOut`.
std::string Samples(const std::string& page, std::initializer_list<const char*> leaveOut = {}) {
  std::istringstream lines(page);
  std::string line, kept;
  while (std::getline(lines, line)) {
    bool skip = line.starts_with("#");
    for (const char* family : leaveOut) skip = skip || line.starts_with(family);
    if (!skip) kept += line + "\n";
  }
  return kept;
}

// A monitor whose cycles publish to a metrics file: drives 0 (hot, with a
// model of awkward bytes) and 2, and three volumes.
class MetricsCycleTest : public testing::Test {
 protected:
  MetricsCycleTest() {
    config.minimumFreeSpace = 100;
    std::filesystem::create_directory(folder);
    // A model can hold any byte: quotes and backslashes are escaped, control
    // characters shown as '?', so no sample can break the page.
    drives.Set(0, "Q\"B\\C\x01", 55);
    drives.Set(2, "COOL", 40);
    volumes.roots = {L"/", L"/data", L"/gone"};
    volumes.freeBytes = {{L"/", 100'999'999}, {L"/data", 101'000'000}};  // equality counts, in whole MB
  }
  std::string Page() { return *exporter.Snapshot().Current(); }
  bool Has(const std::string& sample) { return Page().find(sample) != std::string::npos; }

  static inline const std::string drive0 =
      R"(drive="0",id="ata-Q_B_C__SERIAL0",model="Q\"B\\C?",serial="SERIAL0",interface="ata")";
  static inline const std::string drive2 =
      R"(drive="2",id="ata-COOL_SERIAL2",model="COOL",serial="SERIAL2",interface="ata")";
  ScratchDir scratch;
  TestDrives drives;
  TableVolumes volumes;
  FixedClock clock;
  RecordingPlatform platform;
  MonitorView view;
  DriveSlots slots = DriveSlots(kDiskButtonCount);
  MonitorConfig config;
  const std::string folder = scratch / "out";
  const std::string file = folder + "/taruk.prom";
  std::vector<std::string> errors;
  MetricsExporter exporter{"2.0", file, [this](const std::string& why) { errors.push_back(why); }};
  MonitorCore core{slots, config, {drives.Opener(), volumes, clock, platform, &exporter}, view};
};

TEST_F(MetricsCycleTest, ThePageListsWhatTheCycleSawAndIsWrittenReadable) {
  EXPECT_EQ(Samples(Page()), "taruk_build_info{version=\"2.0\"} 1\n");
  // The pass at start already lists the drives, a poll interval before the
  // first cycle.
  core.RefreshDrives();
  EXPECT_TRUE(Has("taruk_drive_present{drive=\"2\""));
  core.RunMonitoringCycle();
  const char* const aside[] = {"taruk_build_info",     "taruk_last_cycle",       "taruk_drive_attribute",
                               "taruk_drive_power_on", "taruk_drive_power_mode", "taruk_drive_health"};
  const std::string page = Page();
  EXPECT_EQ(Samples(page, {aside[0], aside[1], aside[2], aside[3], aside[4], aside[5]}),
            "taruk_poll_interval_seconds 60\n"
            "taruk_critical_temperature_celsius 55\n"
            "taruk_minimum_free_bytes 100000000\n"
            "taruk_drive_info{" +
                drive0 + ",device=\"" + slots[0].device +
                "\",firmware=\"1.0\",wwn=\"\"} 1\n"
                "taruk_drive_info{" +
                drive2 + ",device=\"" + slots[2].device +
                "\",firmware=\"1.0\",wwn=\"\"} 1\n"
                "taruk_drive_present{" +
                drive0 +
                "} 1\n"
                "taruk_drive_present{" +
                drive2 +
                "} 1\n"
                "taruk_drive_temperature_alarm{" +
                drive0 +
                "} 1\n"
                "taruk_drive_temperature_alarm{" +
                drive2 +
                "} 0\n"
                "taruk_drive_temperature_celsius{" +
                drive0 +
                "} 55\n"
                "taruk_drive_temperature_celsius{" +
                drive2 +
                "} 40\n"
                "taruk_volume_free_bytes{root=\"/\"} 100999999\n"
                "taruk_volume_free_bytes{root=\"/data\"} 101000000\n"
                "taruk_volume_free_space_alarm{root=\"/\"} 1\n"
                "taruk_volume_free_space_alarm{root=\"/data\"} 0\n");
  for (const std::string& sample :
       {"taruk_drive_attribute_raw{" + drive0 + ",attribute_id=\"194\",name=\"Temperature\"} 55\n",
        "taruk_drive_power_mode{" + drive0 + ",mode=\"unknown\"} 1\n",
        "taruk_drive_health{" + drive0 + ",verdict=\"good\"} 1\n"}) {
    EXPECT_TRUE(Has(sample)) << sample;
  }
  EXPECT_EQ(ReadFileBytes(file), page);
  EXPECT_TRUE(errors.empty());
  // Readable by node_exporter's user as the umask allows, not private.
  const mode_t mask = umask(022);
  umask(mask);
  struct stat info {};
  ASSERT_EQ(stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
}

// Its readings leave the page; its alarm stays, as the cycle still tests its
// last temperature.
TEST_F(MetricsCycleTest, AGoneDriveKeepsOnlyItsAlarm) {
  core.RunMonitoringCycle();
  drives.Remove(0);
  core.RunMonitoringCycle();
  EXPECT_TRUE(Has("taruk_drive_present{" + drive0 + "} 0\n"));
  EXPECT_TRUE(Has("taruk_drive_temperature_alarm{" + drive0 + "} 1\n"));
  EXPECT_FALSE(Has("taruk_drive_temperature_celsius{" + drive0));
  EXPECT_FALSE(Has("taruk_drive_attribute_value{" + drive0));
  EXPECT_EQ(ReadFileBytes(file), Page());
}

// Reported on every cycle; the page is still published and the cycle goes on.
TEST_F(MetricsCycleTest, AFileThatCannotBeWrittenIsReportedEachCycle) {
  core.RunMonitoringCycle();
  std::filesystem::remove_all(folder);
  drives.Set(2, "COOL", 41);
  core.RunMonitoringCycle();
  core.RunMonitoringCycle();
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0], "can't write the metrics to " + file + ": No such file or directory");
  EXPECT_TRUE(Has("taruk_drive_temperature_celsius{" + drive2 + "} 41\n"));
}

TEST(MetricsPageTest, AnAttributeIdTwiceGivesOneSeriesAndRawValuesKeepAll48Bits) {
  DriveSlots slots = DriveSlots(kDiskButtonCount);
  slots[1].capacityGb = 80;
  slots[1].model = L"M";
  slots[1].serialNumber = L"S";
  slots[1].attributes[0] = {5, 100, 100, 36, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
  slots[1].attributes[1] = {5, 1, 1, 1, {1, 0, 0, 0, 0, 0}};  // a second id 5 would make the scrape fail
  MonitorConfig config;
  TableVolumes volumes;
  CycleRecord record{slots, config, volumes, {false, true, false, false}};
  const std::string page = MetricsPage(record, {}, "2.0");
  const std::string labels =
      R"(drive="1",id="",model="M",serial="S",interface="ata",attribute_id="5",name="Reallocated Sector Count")";
  EXPECT_EQ(Samples(page, {"taruk_build_info", "taruk_last_cycle", "taruk_poll", "taruk_critical", "taruk_minimum",
                           "taruk_drive_info", "taruk_drive_power_mode", "taruk_drive_health", "taruk_drive_present",
                           "taruk_drive_temperature_alarm"}),
            "taruk_drive_attribute_value{" + labels +
                "} 100\n"
                "taruk_drive_attribute_worst{" +
                labels +
                "} 100\n"
                "taruk_drive_attribute_threshold{" +
                labels +
                "} 36\n"
                "taruk_drive_attribute_raw{" +
                labels + "} 281474976710655\n");
}

}  // namespace

namespace {

TEST(MetricsPageTest, AnNvmeDriveGivesItsInterfaceWorkTimeAndTheFamiliesTheRulesAskFor) {
  DriveSlots slots = DriveSlots(kDiskButtonCount);
  slots[0].capacityGb = 500;
  slots[0].model = L"N";
  slots[0].serialNumber = L"S";
  NvmeHealthLog log;
  log.criticalWarning = nvme_warning::kSpareBelowThreshold;
  log.availableSpare = 5;
  log.availableSpareThreshold = 10;
  log.powerOnHours = {7, false};
  log.compositeTemperatureKelvin = 313;
  StoreNvmeHealthLog(log, slots[0]);
  // Identity alone, as sysfs gives it: the interface, no log families.
  slots[1] = slots[0];
  slots[1].nvmeLog.reset();
  slots[1].serialNumber = L"T";
  MonitorConfig config;
  TableVolumes volumes;
  CycleRecord record{slots, config, volumes, {true, true, false, false}};
  const std::string page = MetricsPage(record, {}, "2.0");
  const std::string labels = R"(drive="0",id="",model="N",serial="S",interface="nvme")";
  const std::string sysfs = R"(drive="1",id="",model="N",serial="T",interface="nvme")";
  std::istringstream lines(page);
  std::string line, kept;
  while (std::getline(lines, line)) {
    if (line.starts_with("taruk_drive_nvme") || line.starts_with("taruk_drive_power_on") ||
        line.starts_with("taruk_drive_attribute")) {
      kept += line + "\n";
    }
  }
  EXPECT_EQ(kept, "taruk_drive_power_on_seconds{" + labels +
                      "} 25200\n"
                      "taruk_drive_nvme_critical_warning{" +
                      labels +
                      "} 1\n"
                      "taruk_drive_nvme_available_spare_ratio{" +
                      labels +
                      "} 0.05\n"
                      "taruk_drive_nvme_available_spare_threshold_ratio{" +
                      labels + "} 0.1\n");
  EXPECT_NE(page.find("taruk_drive_health{" + labels + R"(,verdict="bad"} 1)"), std::string::npos) << page;
  EXPECT_NE(page.find("taruk_drive_health{" + sysfs + R"(,verdict="unknown"} 1)"), std::string::npos) << page;
}

}  // namespace

// The exporter makes the readings part of its page again only when what it
// is made from changed; after every kind of change, and after a change the
// page does not show (the histories), its page is the one made from scratch.
TEST(MetricsExporterTest, AReusedPageIsNeverStale) {
  DriveSlots slots(kDiskButtonCount);
  slots[0].capacityGb = 80;
  slots[0].model = L"CACHED DISK";
  slots[0].temperature = 40;
  slots[0].attributes[0] = {194, 100, 90, 0, {40, 0, 0, 0, 0, 0}};
  MonitorConfig config;
  TableVolumes volumes;
  volumes.roots = {L"/", L"/srv"};
  volumes.freeBytes = {{L"/", 5'000'000'000}, {L"/srv", 700'000'000}};
  CycleRecord record{slots, config, volumes, std::vector<bool>(slots.size(), false)};
  record.answered[0] = true;
  MetricsExporter exporter("2.0", "", nullptr);

  // Whether the readings are new decides whether their gzipped form is made
  // again: a new version with every change, the same text without one.
  struct Change {
    const char* what;
    std::function<void()> make;
    bool newReadings;
  };
  const std::vector<Change> changes = {
      {"the first cycle", [] {}, true},
      {"none", [] {}, false},
      {"the histories only", [&] { slots[0].minuteHistory[0] = 41, slots[0].minuteStamp = 7; }, false},
      {"the temperature", [&] { slots[0].temperature = 41; }, true},
      {"an attribute's raw value", [&] { slots[0].attributes[0].raw[0] = 41; }, true},
      {"the drive gone", [&] { record.answered[0] = false; }, true},
      {"a second drive", [&] { slots[2].capacityMb = 5, record.answered[2] = true; }, true},
      {"a volume's free space", [&] { volumes.freeBytes[L"/srv"] = 500'000'000; }, true},
      {"a volume gone", [&] { volumes.roots.pop_back(); }, true},
      {"the critical temperature", [&] { config.criticalTemperature = 40; }, true},
      {"the minimum free space", [&] { config.minimumFreeSpace = 600; }, true},
      {"the poll interval", [&] { config.pollInterval = 30; }, true},
      {"none again", [] {}, false},
  };
  double now = 1'700'000'000;
  PublishedPage last = exporter.Snapshot().Latest();
  for (const Change& change : changes) {
    SCOPED_TRACE(change.what);
    change.make();
    record.finishedUnixTime = ++now;
    exporter.CycleFinished(record);
    const PublishedPage page = exporter.Snapshot().Latest();
    EXPECT_EQ(*page.text, MetricsPage(record, volumes.FreeSpace(kMostVolumes), "2.0"));
    EXPECT_EQ(page.readingsVersion != last.readingsVersion, change.newReadings);
    // The readings run up to the cycle's times, which change every cycle.
    ASSERT_LE(page.readingsLength, page.text->size());
    EXPECT_TRUE(page.text->substr(page.readingsLength).starts_with("# HELP taruk_last_cycle_timestamp_seconds"));
    if (!change.newReadings) {
      EXPECT_EQ(page.text->substr(0, page.readingsLength), last.text->substr(0, last.readingsLength));
    }
    last = page;
  }
}

namespace {

// The smartctl_exporter family, per kind of drive, exactly as its dashboards
// read it; and none of it unless asked for.
TEST(MetricsExporterTest, TheSmartctlExporterSeriesComeOnlyWhenAskedFor) {
  DriveSlot ata;
  ata.capacityGb = 160;
  ata.model = L"ST3160023A  ";
  ata.serialNumber = L"  5MT0XXXX";
  ata.firmware = L"3.06";
  ata.device = "/dev/sda";
  ata.temperature = 40;
  ata.powerOnHours = 1000;
  ata.attributes[0] = {9, 99, 99, 0, {0xE8, 0x03, 0, 0, 0, 0}};
  ata.attributes[1] = {12, 100, 100, 20, {0x10, 0, 0, 0, 0, 0x01}};  // all 48 bits
  DriveSlot failing = ata;
  failing.attributes[1] = {5, 36, 36, 36, {0, 0, 0, 0, 0, 0}};  // at its threshold: the drive fails itself
  NvmeHealthLog log;
  log.criticalWarning = nvme_warning::kSpareBelowThreshold;
  log.availableSpare = 5;
  log.availableSpareThreshold = 10;
  log.percentageUsed = 3;
  log.powerCycles = {12, false};
  log.powerOnHours = {7, false};
  log.mediaErrors = {2, false};
  log.errorLogEntries = {9, false};
  log.dataUnitsRead = {1, false};
  log.dataUnitsWritten = {2, false};
  log.compositeTemperatureKelvin = 313;
  DriveSlot nvme;
  nvme.bus = DriveBus::Nvme;
  nvme.capacityGb = 1000;
  nvme.model = L"WD_BLACK SN770 1TB";
  nvme.serialNumber = L"22136P801234";
  nvme.firmware = L"731030WD";
  nvme.device = "/dev/nvme0n1";
  StoreNvmeHealthLog(log, nvme);
  const auto info = [](const char* device, const char* interface, const char* protocol, const char* model,
                       const char* serial, const char* firmware) {
    return std::string("smartctl_device{device=\"") + device + "\",interface=\"" + interface + "\",protocol=\"" +
           protocol + "\",model_family=\"\",model_name=\"" + model + "\",serial_number=\"" + serial +
           "\",ata_additional_product_id=\"\",firmware_version=\"" + firmware +
           "\",ata_version=\"\",sata_version=\"\",form_factor=\"\",scsi_vendor=\"\",scsi_product=\"\","
           "scsi_revision=\"\",scsi_version=\"\"} 1\n";
  };
  const std::string sda = R"(smartctl_device_attribute{device="sda",attribute_name=)";
  struct Case {
    const char* what;
    DriveSlot slot;
    bool answered;
    std::string lines;
  };
  const std::vector<Case> cases = {
      {"an ATA drive", ata, true,
       "smartctl_devices 1\n" + info("sda", "sat", "ATA", "ST3160023A", "5MT0XXXX", "3.06") +
           "smartctl_device_temperature{device=\"sda\",temperature_type=\"current\"} 40\n"
           "smartctl_device_smart_status{device=\"sda\"} 1\n"
           "smartctl_device_power_on_seconds{device=\"sda\"} 3600000\n"
           "smartctl_device_power_cycle_count{device=\"sda\"} 1099511627792\n" +
           sda +
           R"("Power_On_Hours_Count",attribute_id="9",attribute_value_type="value"} 99)"
           "\n" +
           sda +
           R"("Power_On_Hours_Count",attribute_id="9",attribute_value_type="worst"} 99)"
           "\n" +
           sda +
           R"("Power_On_Hours_Count",attribute_id="9",attribute_value_type="thresh"} 0)"
           "\n" +
           sda +
           R"("Power_On_Hours_Count",attribute_id="9",attribute_value_type="raw"} 1000)"
           "\n" +
           sda +
           R"("Power_Cycle_Count",attribute_id="12",attribute_value_type="value"} 100)"
           "\n" +
           sda +
           R"("Power_Cycle_Count",attribute_id="12",attribute_value_type="worst"} 100)"
           "\n" +
           sda +
           R"("Power_Cycle_Count",attribute_id="12",attribute_value_type="thresh"} 20)"
           "\n" +
           sda +
           R"("Power_Cycle_Count",attribute_id="12",attribute_value_type="raw"} 1099511627792)"
           "\n"},
      {"an ATA drive at a threshold", failing, true, "smartctl_device_smart_status{device=\"sda\"} 0\n"},
      {"an NVMe drive, under its controller's name", nvme, true,
       "smartctl_devices 1\n" + info("nvme0", "nvme", "NVMe", "WD_BLACK SN770 1TB", "22136P801234", "731030WD") +
           "smartctl_device_temperature{device=\"nvme0\",temperature_type=\"current\"} 40\n"
           "smartctl_device_smart_status{device=\"nvme0\"} 0\n"
           "smartctl_device_power_on_seconds{device=\"nvme0\"} 25200\n"
           "smartctl_device_power_cycle_count{device=\"nvme0\"} 12\n"
           "smartctl_device_critical_warning{device=\"nvme0\"} 1\n"
           "smartctl_device_available_spare{device=\"nvme0\"} 5\n"
           "smartctl_device_available_spare_threshold{device=\"nvme0\"} 10\n"
           "smartctl_device_percentage_used{device=\"nvme0\"} 3\n"
           "smartctl_device_media_errors{device=\"nvme0\"} 2\n"
           "smartctl_device_num_err_log_entries{device=\"nvme0\"} 9\n"
           "smartctl_device_bytes_read{device=\"nvme0\"} 512000\n"
           "smartctl_device_bytes_written{device=\"nvme0\"} 1024000\n"},
      {"a drive that has gone", ata, false, "smartctl_devices 0\n"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    DriveSlots slots(kDiskButtonCount);
    slots[1] = test.slot;  // slots 0, 2 and 3 never answered
    MonitorConfig config;
    TableVolumes volumes;
    CycleRecord record{slots, config, volumes, {false, test.answered, false, false}};
    MetricsExporter plain("2.0", "", nullptr);
    plain.CycleFinished(record);
    EXPECT_EQ(plain.Snapshot().Current()->find("smartctl_"), std::string::npos);
    MetricsExporter compat("2.0", "", nullptr, true);
    compat.CycleFinished(record);
    const std::string page = *compat.Snapshot().Current();
    // The taruk family stays whole beside it.
    EXPECT_EQ(Samples(page, {"smartctl_"}), Samples(*plain.Snapshot().Current()));
    const std::string samples = Samples(page, {"taruk_"});
    if (test.lines.starts_with("smartctl_devices")) {
      EXPECT_EQ(samples, test.lines);
    } else {
      EXPECT_NE(samples.find(test.lines), std::string::npos) << samples;
    }
  }
}

}  // namespace
