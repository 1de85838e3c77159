#include "core/metrics/metrics_page.h"

#include <array>
#include <bitset>
#include <charconv>
#include <cstdio>
#include <set>
#include <string_view>

#include "core/base/little_endian.h"
#include "core/base/utf8_text.h"
#include "core/drive/attribute_names.h"
#include "core/drive/slot_health.h"
#include "core/metrics/metrics_family.h"
#include "core/metrics/scsi_metric_families.h"

namespace taruk {

namespace {

constexpr uint8_t kPowerOnHoursId = 9;

// About the bytes of one attribute sample of the drive, for room made ahead:
// its labels, an attribute's labels and the longest family name and value.
std::size_t DriveLabelsBytes(const DriveSlot& slot) {
  return 128 + slot.id.size() + 2 * (slot.model.size() + slot.serialNumber.size());
}

// The number and id together: the number is the window's HDn, the id what
// a dashboard joins on, and neither moves while taruk runs.
std::string DriveLabels(int index, const DriveSlot& slot) {
  std::string labels;
  labels.reserve(DriveLabelsBytes(slot));
  AppendLabel(labels, "drive", std::to_string(index));
  AppendLabel(labels, "id", LabelValue(std::string_view(slot.id)));
  AppendLabel(labels, "model", DriveText(slot.model));
  AppendLabel(labels, "serial", DriveText(slot.serialNumber));
  AppendLabel(labels, "interface", DriveBusName(slot.bus));
  return labels;
}

std::string WwnText(uint64_t wwn) {
  if (wwn == 0) return {};
  char text[24];
  std::snprintf(text, sizeof text, "0x%016llx", static_cast<unsigned long long>(wwn));
  return text;
}

// Everything known of the drive, on one series of value 1, for joins: the
// system's device name may change between runs, so it is here alone.
std::string InfoLabels(const std::string& driveLabels, const DriveSlot& slot) {
  std::string labels;
  labels.reserve(driveLabels.size() + slot.device.size() + slot.firmware.size() + 64);
  labels = driveLabels;
  AppendLabel(labels, "device", LabelValue(std::string_view(slot.device)));
  AppendLabel(labels, "firmware", DriveText(slot.firmware));
  AppendLabel(labels, "wwn", WwnText(slot.wwn));
  return labels;
}

// The labels of an attribute beside the drive's: its id and catalogue name,
// made once per id rather than once per drive and cycle.
const std::string& AttributeLabels(uint8_t id) {
  static const std::array<std::string, 256> labels = [] {
    std::array<std::string, 256> made;
    for (int n = 0; n < 256; ++n) {
      made[static_cast<size_t>(n)] = Label("attribute_id", std::to_string(n)) + "," +
                                     Label("name", DriveText(AttributeNames[static_cast<size_t>(n)]));
    }
    return made;
  }();
  return labels[id];
}

// A drive's self-tests: the one running, and the newest logged result of
// each type with its power-on hour; and the error-log count.
struct SelfTestFamilies {
  MetricFamily running{"taruk_drive_self_test_running", "1 while the drive runs a self-test."};
  MetricFamily progress{"taruk_drive_self_test_progress_ratio", "How much of the running self-test is done, 0-1."};
  MetricFamily lastResult{
      "taruk_drive_self_test_last_result",
      "1 on the result of the newest logged self-test of each type (passed, failed, aborted, running, "
      "unknown)."};
  MetricFamily lastHour{"taruk_drive_self_test_last_power_on_seconds",
                        "The drive's power-on time, in seconds, at its newest logged self-test of each type."};
  MetricFamily errorCount{"taruk_drive_error_log_errors",
                          "Errors the drive counted in its error log (ATA device errors, NVMe error log entries)."};

  void Add(const std::string& labels, const DriveSlot& slot) {
    const SelfTestState& tests = slot.selfTest;
    if (tests.errorCount) errorCount.Add(labels, *tests.errorCount);
    // A drive that runs no self-tests gets no samples, not a 0 that reads
    // like "idle".
    if (tests.shortAndExtended) running.Add(labels, tests.running ? 1 : 0);
    if (tests.running) progress.Add(labels, tests.percentDone / 100.0);
    std::bitset<256> seen;
    std::string typed;
    for (const SelfTestEntry& entry : tests.log) {
      // Newest first: the first of a type stands.
      if (seen.test(static_cast<uint8_t>(entry.kind))) continue;
      seen.set(static_cast<uint8_t>(entry.kind));
      typed = labels;
      AppendLabel(typed, "type", SelfTestKindName(entry.kind));
      for (const SelfTestResult result : {SelfTestResult::Passed, SelfTestResult::Failed, SelfTestResult::Aborted,
                                          SelfTestResult::Running, SelfTestResult::Unknown}) {
        lastResult.Add(typed, entry.result == result ? 1 : 0, ResultLabel(result));
      }
      lastHour.Add(typed, static_cast<double>(entry.powerOnHours) * 3600);
    }
  }

  // `result="passed"` and the others, made once.
  static const std::string& ResultLabel(SelfTestResult result) {
    static const std::array<std::string, 5> labels = [] {
      std::array<std::string, 5> made;
      for (std::size_t n = 0; n < made.size(); ++n) {
        made[n] = Label("result", SelfTestResultName(static_cast<SelfTestResult>(n)));
      }
      return made;
    }();
    return labels[static_cast<std::size_t>(result)];
  }
};

uint64_t RawValue(const SmartAttributeEntry& entry) {
  return ReadLittleEndian(entry.raw);  // 48 bits: exact as a double
}

bool HasAttribute(const DriveSlot& slot, uint8_t id) {
  for (const SmartAttributeEntry& entry : slot.attributes) {
    if (entry.id == id) return true;
  }
  return false;
}

void AddBuildInfo(std::string& page, const std::string& version) {
  MetricFamily build("taruk_build_info", "Taruk's version; always 1.");
  build.Add(Label("version", LabelValue(std::wstring(version.begin(), version.end()))), 1);
  build.WriteTo(page);
}

const std::string& VerdictLabel(HealthVerdict verdict) {
  static const std::array<std::string, 4> labels = [] {
    std::array<std::string, 4> made;
    for (const HealthVerdict state :
         {HealthVerdict::Good, HealthVerdict::Caution, HealthVerdict::Bad, HealthVerdict::Unknown}) {
      made[static_cast<size_t>(state)] = Label("verdict", ToUtf8(HealthVerdictText(state)));
    }
    return made;
  }();
  return labels[static_cast<size_t>(verdict)];
}

}  // namespace

std::string MetricsPageBeforeFirstCycle(const std::string& version) {
  std::string page;
  AddBuildInfo(page, version);
  return page;
}

std::string MetricsPage(const CycleRecord& record, const std::vector<VolumeSpace>& volumes,
                        const std::string& version) {
  std::string page = MetricsPageBeforeFirstCycle(version);
  AppendMetricsReadings(page, record, volumes);
  AppendMetricsCycleTimes(page, record);
  return page;
}

std::string MetricsCycleTimes(const CycleRecord& record) {
  std::string page;
  AppendMetricsCycleTimes(page, record);
  return page;
}

std::string MetricsReadings(const CycleRecord& record, const std::vector<VolumeSpace>& volumes) {
  std::string page;
  AppendMetricsReadings(page, record, volumes);
  return page;
}

void AppendMetricsCycleTimes(std::string& page, const CycleRecord& record) {
  MetricFamily cycleTime("taruk_last_cycle_timestamp_seconds", "When the last monitoring cycle ended, as Unix time.");
  MetricFamily cycleDuration("taruk_last_cycle_duration_seconds", "How long the last monitoring cycle took.");
  cycleTime.Add({}, record.finishedUnixTime);
  cycleDuration.Add({}, record.durationSeconds);
  cycleTime.WriteTo(page);
  cycleDuration.WriteTo(page);
}

void AppendMetricsReadings(std::string& page, const CycleRecord& record, const std::vector<VolumeSpace>& volumes) {
  MetricFamily pollInterval("taruk_poll_interval_seconds", "The configured time between monitoring cycles.");
  MetricFamily critical("taruk_critical_temperature_celsius", "The configured critical temperature.");
  MetricFamily minimumFree("taruk_minimum_free_bytes", "The configured minimum free space of a volume.");
  pollInterval.Add({}, record.config.pollInterval);
  critical.Add({}, record.config.criticalTemperature);
  minimumFree.Add({}, static_cast<double>(record.config.minimumFreeSpace) * 1e6);

  MetricFamily info(
      "taruk_drive_info",
      "Always 1: the drive's number, id, system device name, model, serial number, firmware, WWN and interface.");
  MetricFamily present("taruk_drive_present", "1 when the drive answered in the last cycle, 0 when it has gone since.");
  MetricFamily temperatureAlarm("taruk_drive_temperature_alarm",
                                "1 while the drive's temperature is at or above the critical temperature.");
  MetricFamily temperature("taruk_drive_temperature_celsius", "The drive's temperature.");
  MetricFamily powerOn("taruk_drive_power_on_seconds", "The drive's work time, counted by it in whole hours.");
  // State sets, one sample per state with 1 on the one that holds: rules
  // match a state by name (`{mode="standby"} == 1`).
  MetricFamily powerMode("taruk_drive_power_mode",
                         "1 on the power mode the drive reported before the last pass (standby drives are not read).");
  MetricFamily health("taruk_drive_health", "1 on the drive's health verdict from its attributes.");
  MetricFamily value("taruk_drive_attribute_value", "A S.M.A.R.T. attribute's normalised current value.");
  MetricFamily worst("taruk_drive_attribute_worst", "A S.M.A.R.T. attribute's worst normalised value.");
  MetricFamily threshold("taruk_drive_attribute_threshold", "A S.M.A.R.T. attribute's failure threshold.");
  MetricFamily raw("taruk_drive_attribute_raw", "A S.M.A.R.T. attribute's raw value (48 bits).");
  MetricFamily nvmeWarning("taruk_drive_nvme_critical_warning", "The NVMe health log's critical warning bits.");
  MetricFamily nvmeSpare("taruk_drive_nvme_available_spare_ratio", "The NVMe drive's available spare capacity.");
  MetricFamily nvmeSpareThreshold("taruk_drive_nvme_available_spare_threshold_ratio",
                                  "The available spare below which the NVMe drive warns.");
  SelfTestFamilies selfTests;
  ScsiFamilies scsi;
  const auto criticalTemperature = static_cast<uint32_t>(record.config.criticalTemperature);
  // The attribute families hold most of the page; room for them at once
  // spares a string's repeated growth. Room for what the drives have, not
  // for every attribute a drive could have: a build that takes much more
  // than it uses has the memory allocator hand it back to the system and
  // take it again on every build.
  std::size_t attributeBytes = 0;
  for (const DriveSlot& slot : record.drives) {
    if (!slot.IsPresent()) continue;
    const std::size_t labels = DriveLabelsBytes(slot);
    for (const SmartAttributeEntry& entry : slot.attributes) attributeBytes += entry.id != 0 ? labels : 0;
  }
  for (MetricFamily* family : {&value, &worst, &threshold, &raw}) family->Reserve(attributeBytes);
  // And for the families of one sample per drive (of a few: one per state).
  std::size_t driveBytes = 0;
  for (const DriveSlot& slot : record.drives) driveBytes += slot.IsPresent() ? DriveLabelsBytes(slot) : 0;
  for (MetricFamily* family : {&info, &present, &temperatureAlarm, &temperature, &powerOn})
    family->Reserve(2 * driveBytes);
  powerMode.Reserve(3 * driveBytes);
  health.Reserve(4 * driveBytes);
  for (size_t n = 0; n < record.drives.size(); ++n) {
    const DriveSlot& slot = record.drives[n];
    // A slot that never answered has no labels to give.
    if (!slot.IsPresent()) continue;
    const std::string labels = DriveLabels(static_cast<int>(n), slot);
    const bool answered = n < record.answered.size() && record.answered[n];
    info.Add(InfoLabels(labels, slot), 1);
    present.Add(labels, answered ? 1 : 0);
    // The same test the cycle makes, on the values it made it with: a drive
    // that has gone keeps its last temperature there.
    temperatureAlarm.Add(labels, slot.temperature >= criticalTemperature ? 1 : 0);
    // Readings only for drives that answered: the values of one that has gone
    // are old.
    if (!answered) continue;
    for (const PowerMode mode : {PowerMode::Active, PowerMode::Standby, PowerMode::Unknown}) {
      powerMode.Add(labels, slot.powerMode == mode ? 1 : 0, Label("mode", PowerModeName(mode)));
    }
    const HealthVerdict verdict = SlotHealth(slot).verdict;
    for (const HealthVerdict state :
         {HealthVerdict::Good, HealthVerdict::Caution, HealthVerdict::Bad, HealthVerdict::Unknown}) {
      health.Add(labels, verdict == state ? 1 : 0, VerdictLabel(state));
    }
    if (slot.temperature != 0) temperature.Add(labels, slot.temperature);
    if (slot.nvmeLog) {
      nvmeWarning.Add(labels, slot.nvmeLog->criticalWarning);
      nvmeSpare.Add(labels, slot.nvmeLog->availableSpare / 100.0);
      nvmeSpareThreshold.Add(labels, slot.nvmeLog->availableSpareThreshold / 100.0);
    }
    selfTests.Add(labels, slot);
    scsi.Add(labels, slot);
    // An NVMe drive counts its work time in its log, an ATA drive in attribute 9,
    // a SCSI disk in its background scan page.
    const bool scsiWorkTime = slot.scsi && slot.scsi->powerOnMinutes;
    if (slot.nvmeLog || scsiWorkTime || HasAttribute(slot, kPowerOnHoursId))
      powerOn.Add(labels, static_cast<double>(slot.powerOnHours) * 3600);
    std::bitset<256> written;
    for (const SmartAttributeEntry& entry : slot.attributes) {
      // A page that names one id twice would give two samples of one series,
      // and Prometheus refuses the whole scrape for that: the first stands.
      if (entry.id == 0 || written.test(entry.id)) continue;
      written.set(entry.id);
      const std::string& attributeLabels = AttributeLabels(entry.id);
      value.Add(labels, entry.current, attributeLabels);
      worst.Add(labels, entry.worst, attributeLabels);
      threshold.Add(labels, entry.threshold, attributeLabels);
      raw.Add(labels, static_cast<double>(RawValue(entry)), attributeLabels);
    }
  }

  MetricFamily freeBytes("taruk_volume_free_bytes", "Space on the volume that an ordinary user may still write.");
  MetricFamily freeSpaceAlarm("taruk_volume_free_space_alarm",
                              "1 while the volume's free space is at or below the minimum (whole megabytes).");
  std::size_t volumeBytes = 0;
  for (const VolumeSpace& volume : volumes) volumeBytes += 64 + 2 * volume.root.size();
  freeBytes.Reserve(volumeBytes);
  freeSpaceAlarm.Reserve(volumeBytes);
  // Two roots that differ only in control characters would make one series.
  std::set<std::string> written;
  for (const VolumeSpace& volume : volumes) {
    if (!volume.freeBytes) continue;  // not ready: skipped, as by the free-space test
    std::string label = "root=\"";
    AppendLabelValue(label, ToUtf8(volume.root));
    label += '"';
    const auto [entry, first] = written.insert(std::move(label));
    if (!first) continue;
    const std::string& labels = *entry;
    freeBytes.Add(labels, static_cast<double>(*volume.freeBytes));
    freeSpaceAlarm.Add(labels, FreeMegabytes(*volume.freeBytes) <= record.config.minimumFreeSpace ? 1 : 0);
  }

  const std::initializer_list<const MetricFamily*> families = {&pollInterval,
                                                               &critical,
                                                               &minimumFree,
                                                               &info,
                                                               &present,
                                                               &powerMode,
                                                               &health,
                                                               &temperatureAlarm,
                                                               &temperature,
                                                               &powerOn,
                                                               &value,
                                                               &worst,
                                                               &threshold,
                                                               &raw,
                                                               &nvmeWarning,
                                                               &nvmeSpare,
                                                               &nvmeSpareThreshold,
                                                               &selfTests.running,
                                                               &selfTests.progress,
                                                               &selfTests.lastResult,
                                                               &selfTests.lastHour,
                                                               &selfTests.errorCount,
                                                               &scsi.grownDefects,
                                                               &scsi.uncorrected,
                                                               &freeBytes,
                                                               &freeSpaceAlarm};
  // Room for the cycle's times too, which MetricsPage adds after the readings.
  std::size_t bytes = page.size() + kMetricsCycleTimesBytes;
  for (const MetricFamily* family : families) bytes += family->Size();
  page.reserve(bytes);
  for (const MetricFamily* family : families) family->WriteTo(page);
}

}  // namespace taruk
