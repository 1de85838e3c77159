#include "core/drive/self_test_verdict.h"

#include <algorithm>

namespace taruk {

namespace {

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::wstring KindLabel(SelfTestKind kind) {
  std::wstring label = Widen(SelfTestKindName(kind));
  label[0] = static_cast<wchar_t>(label[0] - L'a' + L'A');  // the names are lower-case ASCII
  return label;
}

}  // namespace

std::optional<SelfTestEntry> StandingSelfTestFailure(const std::vector<SelfTestEntry>& log) {
  for (const SelfTestEntry& entry : log) {
    if (entry.result == SelfTestResult::Failed) return entry;
    if (entry.result == SelfTestResult::Passed && entry.kind == SelfTestKind::Extended) return std::nullopt;
  }
  return std::nullopt;
}

std::wstring SelfTestFailureText(const SelfTestEntry& failure) {
  std::wstring text = KindLabel(failure.kind) + L" self-test failed";
  if (failure.failingLba) text += L" at LBA " + std::to_wstring(*failure.failingLba);
  return text + L" (hour " + std::to_wstring(failure.powerOnHours) + L")";
}

void AddSelfTestReasons(const DriveSlot& slot, DriveHealth& health) {
  if (health.verdict == HealthVerdict::Unknown) return;
  const SelfTestState& tests = slot.selfTest;
  std::optional<HealthReason> failed;
  if (tests.logRead) {
    if (const std::optional<SelfTestEntry> failure = StandingSelfTestFailure(tests.log)) {
      failed = HealthReason{SelfTestFailureText(*failure), -1, HealthVerdict::Bad};
      health.counts[kSelfTestFailureHour] = failure->powerOnHours + 1;
    }
  } else if (slot.bus == DriveBus::Ata && tests.executionStatus &&
             AtaSelfTestResult(*tests.executionStatus) == SelfTestResult::Failed) {
    failed = HealthReason{L"Last self-test failed: " + Widen(AtaSelfTestStatusText(*tests.executionStatus)), -1,
                          HealthVerdict::Bad};
  }
  if (failed) {
    // After the attributes failing now, before the counts.
    const auto firstLighter = std::find_if(health.reasons.begin(), health.reasons.end(),
                                           [](const HealthReason& r) { return r.weight != HealthVerdict::Bad; });
    health.reasons.insert(firstLighter, *failed);
  }
  // An NVMe drive's error log also counts commands it refused as invalid,
  // which any tool probing it causes: its count is shown, not weighed.
  if (slot.bus == DriveBus::Ata && tests.errorCount && *tests.errorCount > 0) {
    const uint32_t count = *tests.errorCount;
    health.reasons.push_back(
        {std::to_wstring(count) + (count == 1 ? L" error" : L" errors") + L" in the drive's error log", -1,
         HealthVerdict::Caution});
    health.counts[kErrorLogCount] = count;
  }
  health.verdict = Heaviest(health.reasons);
}

}  // namespace taruk
