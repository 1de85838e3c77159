#include "core/view/drive_report.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>
#include <utility>

#include "core/base/utf8_text.h"
#include "core/capture/self_test_report.h"
#include "core/drive/attribute_names.h"
#include "core/drive/attribute_reading.h"
#include "core/drive/nvme_details.h"
#include "core/drive/slot_health.h"
#include "core/view/disk_panel_text.h"
#include "core/view/smart_details_rows.h"

namespace taruk {

namespace {

// The longest attribute name, so the columns after it line up.
constexpr int kNameWidth = 53;

std::string JsonString(std::string_view utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string JsonString(const std::wstring& text) { return JsonString(std::string_view(ToUtf8(text))); }

// An id, or null for a drive that told nothing of itself.
std::string JsonId(const std::string& id) { return id.empty() ? "null" : JsonString(std::string_view(id)); }

// A capture's path may hold any byte; control bytes show as '?'.
std::string PrintableBytes(std::string text) {
  for (char& c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\t') || byte == 0x7F) c = '?';
  }
  return text;
}

// A drive's texts come from the drive, or from a capture someone sent:
// control characters other than the tab are shown as '?', so that the text
// report cannot move the cursor or retitle the terminal it is printed on.
std::string PrintableUtf8(std::wstring text) {
  for (wchar_t& c : text) {
    const bool control = (c < 0x20 && c != L'\t') || (c >= 0x7F && c <= 0x9F);
    if (control) c = L'?';
  }
  return ToUtf8(text);
}

template <typename... Args>
std::string Format(const char* format, Args... args) {
  char buffer[256];
  const int length = std::snprintf(buffer, sizeof buffer, format, args...);
  if (length < 0) return {};
  return std::string(buffer, std::min(static_cast<size_t>(length), sizeof buffer - 1));
}

// "Health: caution (3 pending sectors; ...)", every reason given.
std::string HealthLine(const DriveHealth& health) {
  std::string line = "Health: " + ToUtf8(HealthVerdictText(health.verdict));
  for (size_t i = 0; i < health.reasons.size(); ++i) {
    line += (i == 0 ? " (" : "; ") + ToUtf8(health.reasons[i].text);
  }
  return line + (health.reasons.empty() ? "\n" : ")\n");
}

// ,"rawValue":N,"unit":"..." beside the hex digits; both null where the
// raw layout is not known.
std::string ReadingJson(const std::optional<AttributeReading>& reading) {
  if (!reading) return ",\"rawValue\":null,\"unit\":null";
  return ",\"rawValue\":" + std::to_string(reading->value) + ",\"unit\":" + JsonString(reading->unit);
}

std::string AtaAttributesJson(const DriveSlot& slot) {
  std::string out = "[";
  bool first = true;
  for (const SmartAttributeEntry& entry : slot.attributes) {
    if (entry.id == 0) continue;
    if (!first) out += ',';
    first = false;
    out += "{\"id\":" + std::to_string(entry.id);
    out += ",\"name\":" + JsonString(AttributeNames[entry.id]);
    out += ",\"current\":" + std::to_string(entry.current);
    out += ",\"worst\":" + std::to_string(entry.worst);
    out += ",\"threshold\":" + std::to_string(entry.threshold);
    out += ",\"raw\":\"" + RawValueText(entry) + "\"" + ReadingJson(AtaAttributeReading(entry)) + "}";
  }
  return out + "]";
}

std::string OptionalNumber(std::optional<uint8_t> value) { return value ? std::to_string(*value) : "null"; }

// The details list's rows; a column the log has no value for is null.
std::string NvmeAttributesJson(const DriveSlot& slot) {
  std::string out = "[";
  if (!slot.nvmeLog) return out + "]";
  bool first = true;
  for (const NvmeDetailsEntry& entry : NvmeDetailsEntries(*slot.nvmeLog)) {
    if (!first) out += ',';
    first = false;
    const auto& r = entry.raw;
    out += "{\"id\":" + std::to_string(entry.id);
    out += ",\"name\":" + JsonString(entry.name);
    out += ",\"current\":" + OptionalNumber(entry.value);
    out += ",\"worst\":null";
    out += ",\"threshold\":" + OptionalNumber(entry.threshold);
    out += ",\"raw\":\"" + Format("%02x%02x%02x%02x%02x%02x", r[5], r[4], r[3], r[2], r[1], r[0]) + "\"";
    out += ReadingJson(NvmeFieldReading(*slot.nvmeLog, entry.id)) + "}";
  }
  return out + "]";
}

template <typename Number>
std::string JsonNumber(const std::optional<Number>& value) {
  return value ? std::to_string(*value) : std::string("null");
}

// A SCSI disk's identity and pages; a value the drive did not give is null.
std::string ScsiJson(const ScsiHealth& scsi) {
  std::string out = "{\"vendor\":" + JsonString(std::string_view(scsi.vendor));
  out += ",\"product\":" + JsonString(std::string_view(scsi.product));
  out += ",\"revision\":" + JsonString(std::string_view(scsi.revision));
  out += ",\"supportedPages\":[";
  for (size_t i = 0; i < scsi.supportedPages.size(); ++i) {
    out += (i > 0 ? "," : "") + std::to_string(scsi.supportedPages[i]);
  }
  out += "]";
  const std::pair<const char*, std::string> fields[] = {
      {"temperature", JsonNumber(scsi.temperature)},
      {"referenceTemperature", JsonNumber(scsi.referenceTemperature)},
      {"exceptionAsc", JsonNumber(scsi.exceptionAsc)},
      {"exceptionAscq", JsonNumber(scsi.exceptionAscq)},
      {"specifiedStartStopCycles", JsonNumber(scsi.specifiedStartStops)},
      {"startStopCycles", JsonNumber(scsi.startStops)},
      {"specifiedLoadUnloadCycles", JsonNumber(scsi.specifiedLoadUnloads)},
      {"loadUnloadCycles", JsonNumber(scsi.loadUnloads)},
      {"readUncorrected", JsonNumber(scsi.readUncorrected)},
      {"writeUncorrected", JsonNumber(scsi.writeUncorrected)},
      {"verifyUncorrected", JsonNumber(scsi.verifyUncorrected)},
      {"nonMediumErrors", JsonNumber(scsi.nonMediumErrors)},
      {"powerOnMinutes", JsonNumber(scsi.powerOnMinutes)},
      {"grownDefects", JsonNumber(scsi.grownDefects)},
  };
  for (const auto& [name, value] : fields) out.append(",\"").append(name).append("\":").append(value);
  return out + "}";
}

// Every field of the log as a number; a 128-bit counter beyond 64 bits gives
// the largest uint64.
std::string NvmeLogJson(const NvmeHealthLog& log) {
  const std::pair<const char*, uint64_t> fields[] = {
      {"criticalWarning", log.criticalWarning},
      {"compositeTemperatureKelvin", log.compositeTemperatureKelvin},
      {"availableSpare", log.availableSpare},
      {"availableSpareThreshold", log.availableSpareThreshold},
      {"percentageUsed", log.percentageUsed},
      {"enduranceGroupWarning", log.enduranceGroupWarning},
      {"dataUnitsRead", log.dataUnitsRead.value},
      {"dataUnitsWritten", log.dataUnitsWritten.value},
      {"hostReadCommands", log.hostReadCommands.value},
      {"hostWriteCommands", log.hostWriteCommands.value},
      {"controllerBusyTime", log.controllerBusyTime.value},
      {"powerCycles", log.powerCycles.value},
      {"powerOnHours", log.powerOnHours.value},
      {"unsafeShutdowns", log.unsafeShutdowns.value},
      {"mediaErrors", log.mediaErrors.value},
      {"errorLogEntries", log.errorLogEntries.value},
      {"warningTemperatureMinutes", log.warningTemperatureMinutes},
      {"criticalTemperatureMinutes", log.criticalTemperatureMinutes},
  };
  std::string out = "{";
  for (const auto& [name, value] : fields) {
    if (out.size() > 1) out += ',';
    out.append("\"").append(name).append("\":").append(std::to_string(value));
  }
  return out + "}";
}

}  // namespace

std::string RawValueText(const SmartAttributeEntry& entry) {
  const auto& r = entry.raw;
  return Format("%02x%02x%02x%02x%02x%02x", r[5], r[4], r[3], r[2], r[1], r[0]);
}

namespace {

// A disk read through SCSI commands behind a bridge is one whose bridge
// passed no ATA command.
std::string UsbBridgeJson(const UsbBridge& bridge, DriveBus bus) {
  return "{\"id\":\"" + UsbIdText(bridge) + "\",\"release\":\"" +
         Format("%04x", static_cast<unsigned>(bridge.release)) + "\",\"driver\":" +
         (bridge.driver.empty() ? std::string("null") : JsonString(std::string_view(bridge.driver))) +
         ",\"passesSmart\":" + (bus == DriveBus::Scsi ? "false" : "true") + "}";
}

}  // namespace

std::string DriveReportText(const DriveSlots& slots, bool woken) {
  std::string out;
  bool any = false;
  for (size_t n = 0; n < slots.size(); ++n) {
    const DriveSlot& slot = slots[n];
    if (!slot.IsPresent()) continue;
    if (any) out += '\n';
    any = true;
    out += "HD" + std::to_string(n) + ": " + PrintableUtf8(slot.model) + "\n";
    out += "Device: " + PrintableBytes(slot.device) + "\n";
    out += "Id: " + (slot.id.empty() ? std::string("none") : PrintableBytes(slot.id)) + "\n";
    out += ToUtf8(CapacityText(slot)) + "\n";
    out += "Serial number: " + PrintableUtf8(slot.serialNumber) + "\n";
    out += "Firmware: " + PrintableUtf8(slot.firmware) + "\n";
    if (slot.usbBridge) {
      out += "USB bridge: " + PrintableBytes(UsbBridgeText(*slot.usbBridge)) + "\n";
      if (slot.bus == DriveBus::Scsi) out += "S.M.A.R.T.: " + BridgeRefusalText(*slot.usbBridge) + "\n";
    }
    if (slot.powerMode == PowerMode::Standby && !woken) {
      out += "standby: not read (taruk --report --wake reads it)\n";
      continue;
    }
    // No reading is no sensor, not 0 °C.
    const std::string temperature = slot.temperature == 0 ? "no sensor" : ToUtf8(TemperatureText(slot.temperature));
    out += "Temperature: " + temperature + "\n";
    out += "Work time: " + ToUtf8(WorkTimeText(slot.powerOnHours)) + "\n";
    out += HealthLine(SlotHealth(slot));
    out += SelfTestReportText(slot);
    // The rows of the details list: an NVMe drive's leave the columns its
    // log has no value for empty.
    bool header = false;
    for (const SmartDetailsRow& row : SmartDetailsRows(slot)) {
      if (!header) {
        out += Format("%3s  %-*s  %5s  %9s  %5s  %-12s  %s\n", "#", kNameWidth, "Attribute", "Value", "Threshold",
                      "Worst", "Raw", "Decoded");
        header = true;
      }
      out += Format("%3s  ", ToUtf8(row[0]).c_str()) + ToUtf8(row[1]);
      const int padding = kNameWidth - static_cast<int>(row[1].size());
      out += std::string(padding > 0 ? padding : 0, ' ');
      out += Format("  %5s  %9s  %5s  ", ToUtf8(row[2]).c_str(), ToUtf8(row[3]).c_str(), ToUtf8(row[4]).c_str()) +
             ToUtf8(row[5]);
      const std::string decoded = ToUtf8(row[kDecodedColumn]);
      out += decoded.empty() ? "\n" : "  " + decoded + "\n";
    }
  }
  if (!any) out = "No drive answered.\n";
  return out;
}

std::string DriveReportJson(const DriveSlots& slots) {
  std::string out = "{\"drives\":[";
  bool firstDrive = true;
  for (size_t n = 0; n < slots.size(); ++n) {
    const DriveSlot& slot = slots[n];
    if (!slot.IsPresent()) continue;
    if (!firstDrive) out += ',';
    firstDrive = false;
    out += "{\"index\":" + std::to_string(n);
    out += ",\"id\":" + JsonId(slot.id);
    out += ",\"device\":" + JsonString(std::string_view(slot.device));
    out += ",\"interface\":\"" + std::string(DriveBusName(slot.bus)) + "\"";
    out += ",\"model\":" + JsonString(slot.model);
    out += ",\"serialNumber\":" + JsonString(slot.serialNumber);
    out += ",\"firmware\":" + JsonString(slot.firmware);
    if (slot.usbBridge) out += ",\"usbBridge\":" + UsbBridgeJson(*slot.usbBridge, slot.bus);
    out += ",\"capacityGb\":" + std::to_string(slot.capacityGb);
    out += ",\"capacityMb\":" + std::to_string(slot.capacityMb);
    out += ",\"cylinders\":" + std::to_string(slot.cylinders);
    out += ",\"tracksPerCylinder\":" + std::to_string(slot.tracksPerCylinder);
    out += ",\"sectorsPerTrack\":" + std::to_string(slot.sectorsPerTrack);
    out += ",\"bytesPerSector\":" + std::to_string(slot.bytesPerSector);
    // No reading is not 0 °C.
    out += ",\"temperature\":" + (slot.temperature == 0 ? std::string("null") : std::to_string(slot.temperature));
    out += ",\"powerOnHours\":" + std::to_string(slot.powerOnHours);
    out += ",\"powerMode\":\"" + std::string(PowerModeName(slot.powerMode)) + "\"";
    const DriveHealth health = SlotHealth(slot);
    out += ",\"health\":" + JsonString(HealthVerdictText(health.verdict));
    out += ",\"healthReasons\":[";
    for (size_t i = 0; i < health.reasons.size(); ++i) {
      if (i > 0) out += ',';
      out += JsonString(health.reasons[i].text);
    }
    out += ']';
    out += SelfTestReportJson(slot);
    if (slot.bus == DriveBus::Nvme) {
      if (slot.nvmeLog) out += ",\"nvme\":" + NvmeLogJson(*slot.nvmeLog);
      out += ",\"attributes\":" + NvmeAttributesJson(slot);
    } else if (slot.bus == DriveBus::Scsi) {
      if (slot.scsi) out += ",\"scsi\":" + ScsiJson(*slot.scsi);
      out += ",\"attributes\":[]";
    } else {
      out += ",\"attributes\":" + AtaAttributesJson(slot);
    }
    out += "}";
  }
  return out + "]}\n";
}

}  // namespace taruk
