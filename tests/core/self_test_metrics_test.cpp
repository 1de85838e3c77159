// The self-test families of the metrics page: the running test and its
// progress, the newest result of each type with its hour, the error count.
#include <gtest/gtest.h>

#include <sstream>

#include "core/metrics/metrics_page.h"
#include "support/quiet_machine.h"

using namespace taruk;

namespace {

SelfTestEntry Entry(SelfTestKind kind, SelfTestResult result, uint64_t hours) {
  SelfTestEntry entry;
  entry.kind = kind;
  entry.result = result;
  entry.powerOnHours = hours;
  return entry;
}

}  // namespace

TEST(SelfTestMetrics, RunningNewestResultPerTypeAndErrorCount) {
  DriveSlots slots(kDiskButtonCount);
  slots[1].capacityGb = 80;
  slots[1].model = L"M";
  slots[1].serialNumber = L"S";
  slots[1].id = "ata-M_S";
  SelfTestState& tests = slots[1].selfTest;
  tests.known = true;
  tests.shortAndExtended = true;
  tests.running = true;
  tests.percentDone = 40;
  tests.logRead = true;
  // Newest first: the older extended result is not the last one.
  tests.log = {Entry(SelfTestKind::Extended, SelfTestResult::Failed, 7326),
               Entry(SelfTestKind::Short, SelfTestResult::Passed, 7300),
               Entry(SelfTestKind::Extended, SelfTestResult::Passed, 7000)};
  tests.errorCount = 2;
  slots[2] = slots[1];
  slots[2].serialNumber = L"T";
  slots[2].id = "ata-M_T";
  slots[2].selfTest = SelfTestState{};  // nothing known: no self-test samples at all
  MonitorConfig config;
  NoVolumes volumes;
  CycleRecord record{slots, config, volumes, {false, true, true, false}};
  std::istringstream lines(MetricsPage(record, {}, "2.0"));
  std::string line, kept;
  while (std::getline(lines, line)) {
    if (line.starts_with("taruk_drive_self_test") || line.starts_with("taruk_drive_error_log")) kept += line + "\n";
  }
  const std::string d = R"(drive="1",id="ata-M_S",model="M",serial="S",interface="ata")";
  const std::string x = d + R"(,type="extended")";
  const std::string s = d + R"(,type="short")";
  EXPECT_EQ(kept, "taruk_drive_self_test_running{" + d +
                      "} 1\n"
                      "taruk_drive_self_test_progress_ratio{" +
                      d +
                      "} 0.4\n"
                      "taruk_drive_self_test_last_result{" +
                      x +
                      R"(,result="passed"} 0)"
                      "\n"
                      "taruk_drive_self_test_last_result{" +
                      x +
                      R"(,result="failed"} 1)"
                      "\n"
                      "taruk_drive_self_test_last_result{" +
                      x +
                      R"(,result="aborted"} 0)"
                      "\n"
                      "taruk_drive_self_test_last_result{" +
                      x +
                      R"(,result="running"} 0)"
                      "\n"
                      "taruk_drive_self_test_last_result{" +
                      x +
                      R"(,result="unknown"} 0)"
                      "\n"
                      "taruk_drive_self_test_last_result{" +
                      s +
                      R"(,result="passed"} 1)"
                      "\n"
                      "taruk_drive_self_test_last_result{" +
                      s +
                      R"(,result="failed"} 0)"
                      "\n"
                      "taruk_drive_self_test_last_result{" +
                      s +
                      R"(,result="aborted"} 0)"
                      "\n"
                      "taruk_drive_self_test_last_result{" +
                      s +
                      R"(,result="running"} 0)"
                      "\n"
                      "taruk_drive_self_test_last_result{" +
                      s +
                      R"(,result="unknown"} 0)"
                      "\n"
                      "taruk_drive_self_test_last_power_on_seconds{" +
                      x +
                      "} 26373600\n"
                      "taruk_drive_self_test_last_power_on_seconds{" +
                      s +
                      "} 26280000\n"
                      "taruk_drive_error_log_errors{" +
                      d + "} 2\n");
}
