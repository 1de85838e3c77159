#include "core/metrics/smartctl_exporter_page.h"

#include <array>
#include <bitset>
#include <cctype>
#include <optional>
#include <set>
#include <string_view>

#include "core/base/little_endian.h"
#include "core/drive/attribute_names.h"
#include "core/metrics/metrics_family.h"

namespace taruk {

namespace {

constexpr uint8_t kPowerOnHoursId = 9;
constexpr uint8_t kPowerCycleCountId = 12;
// NVMe counts data in thousands of 512-byte units.
constexpr double kNvmeDataUnitBytes = 512'000;

struct SmartctlFamilies {
  MetricFamily devices{"smartctl_devices", "Number of devices the monitor read."};
  MetricFamily device{"smartctl_device", "Device info."};
  MetricFamily temperature{"smartctl_device_temperature", "Device temperature celsius."};
  MetricFamily smartStatus{"smartctl_device_smart_status", "General smart status: 1 passed, 0 failed."};
  MetricFamily powerOn{"smartctl_device_power_on_seconds", "Device power on seconds."};
  MetricFamily powerCycles{"smartctl_device_power_cycle_count", "Device power cycle count."};
  MetricFamily attribute{"smartctl_device_attribute", "Device SMART attribute value, worst, thresh and raw."};
  MetricFamily criticalWarning{"smartctl_device_critical_warning", "Critical warning counter (NVMe bits)."};
  MetricFamily availableSpare{"smartctl_device_available_spare",
                              "Normalized percentage (0 to 100%) of the remaining spare capacity available."};
  MetricFamily spareThreshold{"smartctl_device_available_spare_threshold",
                              "When the Available Spare falls below the threshold indicated in this field, an "
                              "asynchronous event completion may occur. The value is indicated as a normalized "
                              "percentage (0 to 100%)."};
  MetricFamily percentageUsed{"smartctl_device_percentage_used", "Device write percentage used."};
  MetricFamily mediaErrors{"smartctl_device_media_errors", "Number of media and data integrity errors."};
  MetricFamily errorLogEntries{"smartctl_device_num_err_log_entries", "Number of error information log entries."};
  MetricFamily bytesRead{"smartctl_device_bytes_read", "Bytes read from the device."};
  MetricFamily bytesWritten{"smartctl_device_bytes_written", "Bytes written to the device."};
};

const char* Protocol(DriveBus bus) {
  switch (bus) {
    case DriveBus::Nvme:
      return "NVMe";
    case DriveBus::Scsi:
      return "SCSI";
    default:
      return "ATA";
  }
}

// smartctl's attribute names are words joined by '_'.
const std::string& AttributeName(uint8_t id) {
  static const std::array<std::string, 256> names = [] {
    std::array<std::string, 256> made;
    for (size_t n = 0; n < made.size(); ++n) {
      std::string name = DriveText(AttributeNames[n]);
      for (char& c : name) {
        if (c == ' ') c = '_';
      }
      made[n] = name;
    }
    return made;
  }();
  return names[id];
}

// The drive's own verdict, as smartctl reads it: an ATA attribute at or
// below its threshold fails it, an NVMe critical warning bit does. None for
// a drive that gave neither.
std::optional<bool> SmartStatusPassed(const DriveSlot& slot) {
  if (slot.nvmeLog) return slot.nvmeLog->criticalWarning == 0;
  if (slot.bus != DriveBus::Ata) return std::nullopt;
  bool any = false;
  for (const SmartAttributeEntry& entry : slot.attributes) {
    if (entry.id == 0) continue;
    any = true;
    if (entry.threshold != 0 && entry.current <= entry.threshold) return false;
  }
  if (!any) return std::nullopt;
  return true;
}

std::optional<uint64_t> AttributeRaw(const DriveSlot& slot, uint8_t id) {
  for (const SmartAttributeEntry& entry : slot.attributes) {
    if (entry.id == id) return ReadLittleEndian(entry.raw);
  }
  return std::nullopt;
}

void AddDrive(SmartctlFamilies& out, const DriveSlot& slot) {
  const std::string labels = Label("device", LabelValue(SmartctlDeviceLabel(slot.device)));
  const bool nvme = slot.bus == DriveBus::Nvme;
  const std::string model = DriveText(slot.model);
  std::string info = labels + "," +
                     Label("interface", nvme                         ? "nvme"
                                        : slot.bus == DriveBus::Scsi ? "scsi"
                                                                     : "sat") +
                     "," + Label("protocol", Protocol(slot.bus)) + "," + Label("model_family", "") + "," +
                     Label("model_name", model) + "," + Label("serial_number", DriveText(slot.serialNumber)) + "," +
                     Label("ata_additional_product_id", "") + "," +
                     Label("firmware_version", DriveText(slot.firmware)) + "," + Label("ata_version", "") + "," +
                     Label("sata_version", "") + "," + Label("form_factor", "") + "," + Label("scsi_vendor", "") + "," +
                     Label("scsi_product", "") + "," + Label("scsi_revision", "") + "," + Label("scsi_version", "");
  out.device.Add(info, 1);
  if (slot.temperature != 0) out.temperature.Add(labels, slot.temperature, Label("temperature_type", "current"));
  if (const std::optional<bool> passed = SmartStatusPassed(slot)) out.smartStatus.Add(labels, *passed ? 1 : 0);
  const bool scsiWorkTime = slot.scsi && slot.scsi->powerOnMinutes;
  if (slot.nvmeLog || scsiWorkTime || AttributeRaw(slot, kPowerOnHoursId)) {
    out.powerOn.Add(labels, static_cast<double>(slot.powerOnHours) * 3600);
  }
  if (slot.nvmeLog) {
    const NvmeHealthLog& log = *slot.nvmeLog;
    out.powerCycles.Add(labels, static_cast<double>(log.powerCycles.value));
    out.criticalWarning.Add(labels, log.criticalWarning);
    out.availableSpare.Add(labels, log.availableSpare);
    out.spareThreshold.Add(labels, log.availableSpareThreshold);
    out.percentageUsed.Add(labels, log.percentageUsed);
    out.mediaErrors.Add(labels, static_cast<double>(log.mediaErrors.value));
    out.errorLogEntries.Add(labels, static_cast<double>(log.errorLogEntries.value));
    out.bytesRead.Add(labels, static_cast<double>(log.dataUnitsRead.value) * kNvmeDataUnitBytes);
    out.bytesWritten.Add(labels, static_cast<double>(log.dataUnitsWritten.value) * kNvmeDataUnitBytes);
  } else if (const std::optional<uint64_t> cycles = AttributeRaw(slot, kPowerCycleCountId)) {
    out.powerCycles.Add(labels, static_cast<double>(*cycles));
  }
  std::bitset<256> written;
  for (const SmartAttributeEntry& entry : slot.attributes) {
    // One id twice would be one series twice: the scrape would fail.
    if (entry.id == 0 || written.test(entry.id)) continue;
    written.set(entry.id);
    const std::string attributeLabels = labels + "," + Label("attribute_name", AttributeName(entry.id)) + "," +
                                        Label("attribute_id", std::to_string(entry.id));
    for (const auto& [type, value] :
         {std::pair{"value", static_cast<double>(entry.current)}, std::pair{"worst", static_cast<double>(entry.worst)},
          std::pair{"thresh", static_cast<double>(entry.threshold)},
          std::pair{"raw", static_cast<double>(ReadLittleEndian(entry.raw))}}) {
      out.attribute.Add(attributeLabels, value, Label("attribute_value_type", type));
    }
  }
}

}  // namespace

std::string SmartctlDeviceLabel(const std::string& device) {
  std::string name = device;
  for (const char* prefix : {"/dev/", "\\\\.\\"}) {
    if (name.starts_with(prefix)) name.erase(0, std::string_view(prefix).size());
  }
  // nvme0n1 -> nvme0: smartctl scans the controller.
  if (name.starts_with("nvme")) {
    const size_t digits = name.find_first_not_of("0123456789", 4);
    if (digits != 4 && digits != std::string::npos && name[digits] == 'n') name.erase(digits);
  }
  for (char& c : name) {
    if (c == '/' || c == '\\') c = '_';
  }
  return name;
}

std::string SmartctlExporterReadings(const CycleRecord& record) {
  SmartctlFamilies out;
  int count = 0;
  // Two drives under one device name (a replayed set without names) would
  // be one series twice: the first stands.
  std::set<std::string> seen;
  for (size_t n = 0; n < record.drives.size(); ++n) {
    const DriveSlot& slot = record.drives[n];
    const bool answered = n < record.answered.size() && record.answered[n];
    if (!slot.IsPresent() || !answered || !seen.insert(SmartctlDeviceLabel(slot.device)).second) continue;
    AddDrive(out, slot);
    ++count;
  }
  out.devices.Add({}, count);
  std::string page;
  for (const MetricFamily* family :
       {&out.devices, &out.device, &out.temperature, &out.smartStatus, &out.powerOn, &out.powerCycles, &out.attribute,
        &out.criticalWarning, &out.availableSpare, &out.spareThreshold, &out.percentageUsed, &out.mediaErrors,
        &out.errorLogEntries, &out.bytesRead, &out.bytesWritten}) {
    family->WriteTo(page);
  }
  return page;
}

}  // namespace taruk
