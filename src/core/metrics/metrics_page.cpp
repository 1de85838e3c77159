#include "core/metrics/metrics_page.h"

#include <charconv>
#include <set>

#include "core/base/little_endian.h"
#include "core/base/utf8_text.h"
#include "core/drive/slot_health.h"
#include "core/drive/attribute_names.h"

namespace taruk {

namespace {

constexpr uint8_t kPowerOnHoursId = 9;

// One metric family: its samples are written under one HELP and TYPE, and a
// family without samples is left out of the page.
class Family {
 public:
  Family(const char* name, const char* help) : name(name), help(help) {}
  void Add(const std::string& labels, double value) {
    samples += name;
    if (!labels.empty()) samples += "{" + labels + "}";
    samples += ' ';
    // Whole numbers in full (1e+08 reads badly), fractions as short as exact.
    char text[32];
    const bool whole = value == static_cast<double>(static_cast<int64_t>(value)) && value < 9.0e15 && value > -9.0e15;
    const auto end = whole ? std::to_chars(text, text + sizeof text, static_cast<int64_t>(value)).ptr
                           : std::to_chars(text, text + sizeof text, value).ptr;
    samples.append(text, end);
    samples += '\n';
  }
  void WriteTo(std::string& page) const {
    if (samples.empty()) return;
    page += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " gauge\n" + samples;
  }

 private:
  const char* name;
  const char* help;
  std::string samples;
};

// A label value. Texts may hold any byte: control characters show as '?'
// (as in the text report), which keeps every sample on its own line.
std::string LabelValue(std::wstring_view text) {
  std::string value;
  for (char c : ToUtf8(text)) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\' || c == '"') {
      value += '\\';
      value += c;
    } else if (byte < 0x20 || byte == 0x7F) {
      value += '?';
    } else {
      value += c;
    }
  }
  return value;
}

// Drives pad their texts with spaces.
std::string DriveText(std::wstring_view text) {
  const size_t first = text.find_first_not_of(L' ');
  if (first == std::wstring_view::npos) return {};
  return LabelValue(text.substr(first, text.find_last_not_of(L' ') - first + 1));
}

std::string Label(const char* name, const std::string& value) { return std::string(name) + "=\"" + value + "\""; }

std::string DriveLabels(int index, const DriveSlot& slot) {
  return Label("drive", std::to_string(index)) + "," + Label("model", DriveText(slot.model)) + "," +
         Label("serial", DriveText(slot.serialNumber)) + "," + Label("interface", DriveBusName(slot.bus));
}

// A drive's self-tests: the one running, and the newest logged result of
// each type with its power-on hour; and the error-log count.
struct SelfTestFamilies {
  Family running{"taruk_drive_self_test_running", "1 while the drive runs a self-test."};
  Family progress{"taruk_drive_self_test_progress_ratio", "How much of the running self-test is done, 0-1."};
  Family lastResult{"taruk_drive_self_test_last_result",
                    "1 on the result of the newest logged self-test of each type (passed, failed, aborted, running, "
                    "unknown)."};
  Family lastHour{"taruk_drive_self_test_last_power_on_hours",
                  "The drive's power-on hour of its newest logged self-test of each type."};
  Family errorCount{"taruk_drive_error_log_count",
                    "Errors the drive counted in its error log (ATA device errors, NVMe error log entries)."};

  void Add(const std::string& labels, const DriveSlot& slot) {
    const SelfTestState& tests = slot.selfTest;
    if (tests.errorCount) errorCount.Add(labels, *tests.errorCount);
    // A drive that runs no self-tests gets no samples, not a 0 that reads
    // like "idle".
    if (tests.shortAndExtended) running.Add(labels, tests.running ? 1 : 0);
    if (tests.running) progress.Add(labels, tests.percentDone / 100.0);
    std::set<SelfTestKind> seen;
    for (const SelfTestEntry& entry : tests.log) {
      if (!seen.insert(entry.kind).second) continue;  // newest first: the first of a type stands
      const std::string typed = labels + "," + Label("type", SelfTestKindName(entry.kind));
      for (const SelfTestResult result : {SelfTestResult::Passed, SelfTestResult::Failed, SelfTestResult::Aborted,
                                          SelfTestResult::Running, SelfTestResult::Unknown}) {
        lastResult.Add(typed + "," + Label("result", SelfTestResultName(result)), entry.result == result ? 1 : 0);
      }
      lastHour.Add(typed, static_cast<double>(entry.powerOnHours));
    }
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
  Family build("taruk_build_info", "Taruk's version; always 1.");
  build.Add(Label("version", LabelValue(std::wstring(version.begin(), version.end()))), 1);
  build.WriteTo(page);
}

}  // namespace

std::string MetricsPageBeforeFirstCycle(const std::string& version) {
  std::string page;
  AddBuildInfo(page, version);
  return page;
}

std::string MetricsPage(const CycleRecord& record, const std::vector<VolumeSpace>& volumes, const std::string& version) {
  std::string page;
  AddBuildInfo(page, version);

  Family cycleTime("taruk_last_cycle_timestamp_seconds", "When the last monitoring cycle ended, as Unix time.");
  Family cycleDuration("taruk_last_cycle_duration_seconds", "How long the last monitoring cycle took.");
  Family pollInterval("taruk_poll_interval_seconds", "The configured time between monitoring cycles.");
  Family critical("taruk_critical_temperature_celsius", "The configured critical temperature.");
  Family minimumFree("taruk_minimum_free_bytes", "The configured minimum free space of a volume.");
  cycleTime.Add({}, record.finishedUnixTime);
  cycleDuration.Add({}, record.durationSeconds);
  pollInterval.Add({}, record.config.pollInterval);
  critical.Add({}, record.config.criticalTemperature);
  minimumFree.Add({}, static_cast<double>(record.config.minimumFreeSpace) * 1e6);

  Family present("taruk_drive_present", "1 when the drive answered in the last cycle, 0 when it has gone since.");
  Family temperatureAlarm("taruk_drive_temperature_alarm",
                          "1 while the drive's temperature is at or above the critical temperature.");
  Family temperature("taruk_drive_temperature_celsius", "The drive's temperature.");
  Family powerOn("taruk_drive_power_on_seconds", "The drive's work time, counted by it in whole hours.");
  // State sets, one sample per state with 1 on the one that holds: rules
  // match a state by name (`{mode="standby"} == 1`).
  Family powerMode("taruk_drive_power_mode",
                   "1 on the power mode the drive reported before the last pass (standby drives are not read).");
  Family health("taruk_drive_health", "1 on the drive's health verdict from its attributes.");
  Family value("taruk_drive_attribute_value", "A S.M.A.R.T. attribute's normalised current value.");
  Family worst("taruk_drive_attribute_worst", "A S.M.A.R.T. attribute's worst normalised value.");
  Family threshold("taruk_drive_attribute_threshold", "A S.M.A.R.T. attribute's failure threshold.");
  Family raw("taruk_drive_attribute_raw", "A S.M.A.R.T. attribute's raw value (48 bits).");
  Family nvmeWarning("taruk_drive_nvme_critical_warning", "The NVMe health log's critical warning bits.");
  Family nvmeSpare("taruk_drive_nvme_available_spare_ratio", "The NVMe drive's available spare capacity.");
  Family nvmeSpareThreshold("taruk_drive_nvme_available_spare_threshold_ratio",
                            "The available spare below which the NVMe drive warns.");
  SelfTestFamilies selfTests;
  const auto criticalTemperature = static_cast<uint32_t>(record.config.criticalTemperature);
  for (int n = 0; n < kDriveCount; ++n) {
    const DriveSlot& slot = record.drives[static_cast<size_t>(n)];
    // A slot that never answered has no labels to give.
    if (!slot.IsPresent()) continue;
    const std::string labels = DriveLabels(n, slot);
    const bool answered = record.answered[static_cast<size_t>(n)];
    present.Add(labels, answered ? 1 : 0);
    // The same test the cycle makes, on the values it made it with: a drive
    // that has gone keeps its last temperature there.
    temperatureAlarm.Add(labels, slot.temperature >= criticalTemperature ? 1 : 0);
    // Readings only for drives that answered: the values of one that has gone
    // are old.
    if (!answered) continue;
    for (const PowerMode mode : {PowerMode::Active, PowerMode::Standby, PowerMode::Unknown}) {
      powerMode.Add(labels + "," + Label("mode", PowerModeName(mode)), slot.powerMode == mode ? 1 : 0);
    }
    const HealthVerdict verdict = SlotHealth(slot).verdict;
    for (const HealthVerdict state : {HealthVerdict::Good, HealthVerdict::Caution, HealthVerdict::Bad,
                                      HealthVerdict::Unknown}) {
      health.Add(labels + "," + Label("verdict", ToUtf8(HealthVerdictText(state))), verdict == state ? 1 : 0);
    }
    if (slot.temperature != 0) temperature.Add(labels, slot.temperature);
    if (slot.nvmeLog) {
      nvmeWarning.Add(labels, slot.nvmeLog->criticalWarning);
      nvmeSpare.Add(labels, slot.nvmeLog->availableSpare / 100.0);
      nvmeSpareThreshold.Add(labels, slot.nvmeLog->availableSpareThreshold / 100.0);
    }
    selfTests.Add(labels, slot);
    // An NVMe drive counts its work time in its log, an ATA drive in attribute 9.
    if (slot.nvmeLog || HasAttribute(slot, kPowerOnHoursId)) powerOn.Add(labels, static_cast<double>(slot.powerOnHours) * 3600);
    std::set<uint8_t> written;
    for (const SmartAttributeEntry& entry : slot.attributes) {
      // A page that names one id twice would give two samples of one series,
      // and Prometheus refuses the whole scrape for that: the first stands.
      if (entry.id == 0 || !written.insert(entry.id).second) continue;
      const std::string attributeLabels =
          labels + "," + Label("id", std::to_string(entry.id)) + "," + Label("name", DriveText(AttributeNames[entry.id]));
      value.Add(attributeLabels, entry.current);
      worst.Add(attributeLabels, entry.worst);
      threshold.Add(attributeLabels, entry.threshold);
      raw.Add(attributeLabels, static_cast<double>(RawValue(entry)));
    }
  }

  Family freeBytes("taruk_volume_free_bytes", "Space on the volume that an ordinary user may still write.");
  Family freeSpaceAlarm("taruk_volume_free_space_alarm",
                        "1 while the volume's free space is at or below the minimum (whole megabytes).");
  // Two roots that differ only in control characters would make one series.
  std::set<std::string> written;
  for (const VolumeSpace& volume : volumes) {
    if (!volume.freeBytes) continue;  // not ready: skipped, as by the free-space test
    const std::string labels = Label("root", LabelValue(volume.root));
    if (!written.insert(labels).second) continue;
    freeBytes.Add(labels, static_cast<double>(*volume.freeBytes));
    freeSpaceAlarm.Add(labels, FreeMegabytes(*volume.freeBytes) <= record.config.minimumFreeSpace ? 1 : 0);
  }

  for (const Family* family : {&cycleTime, &cycleDuration, &pollInterval, &critical, &minimumFree, &present,
                               &powerMode, &health, &temperatureAlarm, &temperature, &powerOn, &value, &worst, &threshold, &raw, &nvmeWarning, &nvmeSpare,
                               &nvmeSpareThreshold, &selfTests.running, &selfTests.progress, &selfTests.lastResult,
                               &selfTests.lastHour, &selfTests.errorCount, &freeBytes,
                               &freeSpaceAlarm}) {
    family->WriteTo(page);
  }
  return page;
}

}  // namespace taruk
