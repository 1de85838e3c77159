#include "core/metrics/metrics_page.h"

#include <charconv>
#include <cstdio>
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
std::string LabelValue(std::string_view utf8) {
  std::string value;
  for (char c : utf8) {
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

std::string LabelValue(std::wstring_view text) { return LabelValue(ToUtf8(text)); }

// Drives pad their texts with spaces.
std::string DriveText(std::wstring_view text) {
  const size_t first = text.find_first_not_of(L' ');
  if (first == std::wstring_view::npos) return {};
  return LabelValue(text.substr(first, text.find_last_not_of(L' ') - first + 1));
}

std::string Label(const char* name, const std::string& value) { return std::string(name) + "=\"" + value + "\""; }

// The number and id together: the number is the window's HDn, the id what
// a dashboard joins on, and neither moves while taruk runs.
std::string DriveLabels(int index, const DriveSlot& slot) {
  return Label("drive", std::to_string(index)) + "," + Label("id", LabelValue(std::string_view(slot.id))) + "," +
         Label("model", DriveText(slot.model)) + "," + Label("serial", DriveText(slot.serialNumber)) + "," +
         Label("interface", DriveBusName(slot.bus));
}

std::string WwnText(uint64_t wwn) {
  if (wwn == 0) return {};
  char text[24];
  std::snprintf(text, sizeof text, "0x%016llx", static_cast<unsigned long long>(wwn));
  return text;
}

// Everything known of the drive, on one series of value 1, for joins: the
// system's device name may change between runs, so it is here alone.
std::string InfoLabels(int index, const DriveSlot& slot) {
  return DriveLabels(index, slot) + "," + Label("device", LabelValue(std::string_view(slot.device))) + "," +
         Label("firmware", DriveText(slot.firmware)) + "," + Label("wwn", WwnText(slot.wwn));
}

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

  Family info("taruk_drive_info",
              "Always 1: the drive's number, id, system device name, model, serial number, firmware, WWN and interface.");
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
  const auto criticalTemperature = static_cast<uint32_t>(record.config.criticalTemperature);
  for (size_t n = 0; n < record.drives.size(); ++n) {
    const DriveSlot& slot = record.drives[n];
    // A slot that never answered has no labels to give.
    if (!slot.IsPresent()) continue;
    const std::string labels = DriveLabels(static_cast<int>(n), slot);
    const bool answered = n < record.answered.size() && record.answered[n];
    info.Add(InfoLabels(static_cast<int>(n), slot), 1);
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
    // An NVMe drive counts its work time in its log, an ATA drive in attribute 9.
    if (slot.nvmeLog || HasAttribute(slot, kPowerOnHoursId)) powerOn.Add(labels, static_cast<double>(slot.powerOnHours) * 3600);
    std::set<uint8_t> written;
    for (const SmartAttributeEntry& entry : slot.attributes) {
      // A page that names one id twice would give two samples of one series,
      // and Prometheus refuses the whole scrape for that: the first stands.
      if (entry.id == 0 || !written.insert(entry.id).second) continue;
      const std::string attributeLabels =
          labels + "," + Label("attribute_id", std::to_string(entry.id)) + "," +
          Label("name", DriveText(AttributeNames[entry.id]));
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

  for (const Family* family : {&cycleTime, &cycleDuration, &pollInterval, &critical, &minimumFree, &info, &present,
                               &powerMode, &health, &temperatureAlarm, &temperature, &powerOn, &value, &worst, &threshold, &raw, &nvmeWarning, &nvmeSpare,
                               &nvmeSpareThreshold, &freeBytes,
                               &freeSpaceAlarm}) {
    family->WriteTo(page);
  }
  return page;
}

}  // namespace taruk
