#include "core/capture/self_test_report.h"

#include <cstdio>

namespace taruk {

namespace {

std::string Offered(const SelfTestState& tests) {
  if (!tests.shortAndExtended) return "not supported by the drive";
  std::string text = tests.conveyance ? "short, extended and conveyance" : "short and extended";
  if (!tests.conveyance && tests.shortMinutes == 0) {
    // A SCSI disk tells the extended test's time alone, if at all.
    if (tests.extendedMinutes == 0) return text;
    return text + " (extended " + std::to_string(tests.extendedMinutes) + " min)";
  }
  text += " (short " + std::to_string(tests.shortMinutes) + " min, extended " + std::to_string(tests.extendedMinutes) +
          " min";
  if (tests.conveyance) text += ", conveyance " + std::to_string(tests.conveyanceMinutes) + " min";
  return text + ")";
}

std::string RunningText(const SelfTestState& tests) {
  std::string text = "self-test";
  if (tests.runningKind) text = std::string(SelfTestKindName(*tests.runningKind)) + " " + text;
  return text + " running, " + std::to_string(tests.percentDone) + " % done";
}

}  // namespace

std::string SelfTestFailureColumn(const SelfTestEntry& entry) {
  std::string text = entry.failingLba ? std::to_string(*entry.failingLba) : std::string("-");
  if (entry.sense) text += ", sense " + SelfTestSenseText(entry);
  return text;
}

std::string SelfTestEntryStatusText(DriveBus bus, const SelfTestEntry& entry) {
  if (bus == DriveBus::Scsi) return ScsiSelfTestStatusText(entry);
  return bus == DriveBus::Nvme ? NvmeSelfTestStatusText(entry.code, entry.failedSegment)
                               : AtaSelfTestStatusText(entry.code);
}

std::string SelfTestReportText(const DriveSlot& slot) {
  const SelfTestState& tests = slot.selfTest;
  std::string out;
  if (tests.known) {
    out += "Self-tests: " + Offered(tests) + "\n";
    if (tests.running) out += "Now: " + RunningText(tests) + "\n";
  }
  if (tests.logRead) {
    if (tests.log.empty()) {
      out += "Self-test log: no tests logged\n";
    } else {
      out += "Self-test log (newest first):\n";
      char line[160];
      std::snprintf(line, sizeof line, "%3s  %-10s  %-38s  %10s  %s\n", "#", "Type", "Status", "Hour", "Failing LBA");
      out += line;
      for (std::size_t i = 0; i < tests.log.size(); ++i) {
        const SelfTestEntry& entry = tests.log[i];
        std::snprintf(line, sizeof line, "%3zu  %-10s  %-38s  %10llu  %s\n", i + 1, SelfTestKindName(entry.kind),
                      SelfTestEntryStatusText(slot.bus, entry).c_str(),
                      static_cast<unsigned long long>(entry.powerOnHours), SelfTestFailureColumn(entry).c_str());
        out += line;
      }
    }
  }
  if (tests.errorCount) {
    out += "Error log: " + std::to_string(*tests.errorCount) + (*tests.errorCount == 1 ? " error\n" : " errors\n");
  }
  return out;
}

std::string SelfTestReportJson(const DriveSlot& slot) {
  const SelfTestState& tests = slot.selfTest;
  std::string out = ",\"selfTests\":";
  if (!tests.known && !tests.logRead) {
    out += "null";
  } else {
    auto flag = [](bool value) { return value ? std::string("true") : std::string("false"); };
    out += "{\"supported\":" + flag(tests.shortAndExtended);
    out += ",\"conveyance\":" + flag(tests.conveyance);
    out += ",\"shortMinutes\":" + std::to_string(tests.shortMinutes);
    out += ",\"extendedMinutes\":" + std::to_string(tests.extendedMinutes);
    out += ",\"conveyanceMinutes\":" + std::to_string(tests.conveyanceMinutes);
    out += ",\"running\":" + flag(tests.running);
    out += ",\"runningType\":";
    out += tests.runningKind ? "\"" + std::string(SelfTestKindName(*tests.runningKind)) + "\"" : "null";
    out += ",\"percentDone\":" + std::to_string(tests.percentDone);
    out += ",\"log\":";
    if (!tests.logRead) {
      out += "null";
    } else {
      out += "[";
      for (std::size_t i = 0; i < tests.log.size(); ++i) {
        const SelfTestEntry& entry = tests.log[i];
        if (i > 0) out += ",";
        out += "{\"type\":\"" + std::string(SelfTestKindName(entry.kind)) + "\"";
        out += ",\"result\":\"" + std::string(SelfTestResultName(entry.result)) + "\"";
        out += ",\"status\":" + std::to_string(entry.code);
        out += ",\"statusText\":\"" + SelfTestEntryStatusText(slot.bus, entry) + "\"";
        out += ",\"powerOnHours\":" + std::to_string(entry.powerOnHours);
        out += ",\"failingLba\":" + (entry.failingLba ? std::to_string(*entry.failingLba) : std::string("null"));
        if (entry.sense) out += ",\"sense\":\"" + SelfTestSenseText(entry) + "\"";
        out += "}";
      }
      out += "]";
    }
    out += "}";
  }
  out += ",\"errorCount\":" + (tests.errorCount ? std::to_string(*tests.errorCount) : std::string("null"));
  return out;
}

}  // namespace taruk
