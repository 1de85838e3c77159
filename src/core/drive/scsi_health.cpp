#include "core/drive/scsi_health.h"

#include <cwchar>

namespace taruk {

namespace {

constexpr uint8_t kFailurePrediction = 0x5D;
constexpr uint8_t kWarning = 0x0B;

std::wstring CodeText(const wchar_t* what, uint8_t asc, uint8_t ascq) {
  wchar_t code[32];
  std::swprintf(code, std::size(code), L" (ASC %02Xh/%02Xh)", asc, ascq);
  return what + std::wstring(code);
}

}  // namespace

DriveHealth ScsiDriveHealth(const ScsiHealth& health) {
  DriveHealth drive;
  if (health.supportedPages.empty() && !health.exceptionAsc) {
    drive.reasons.push_back({L"the drive answers no log page", -1, HealthVerdict::Unknown});
    return drive;
  }
  const uint8_t asc = health.exceptionAsc.value_or(0);
  const uint8_t ascq = health.exceptionAscq.value_or(0);
  if (asc == kFailurePrediction) {
    drive.reasons.push_back({CodeText(L"failure prediction threshold exceeded", asc, ascq), -1, HealthVerdict::Bad});
  } else if (asc == kWarning) {
    drive.reasons.push_back({CodeText(L"the drive reports a warning", asc, ascq), -1, HealthVerdict::Caution});
  }
  struct Uncorrected {
    const std::optional<uint64_t>& count;
    const wchar_t* text;
  };
  const Uncorrected kinds[] = {{health.readUncorrected, L"uncorrected read errors"},
                               {health.writeUncorrected, L"uncorrected write errors"},
                               {health.verifyUncorrected, L"uncorrected verify errors"}};
  uint64_t total = 0;
  for (const Uncorrected& kind : kinds) {
    if (!kind.count || *kind.count == 0) continue;
    drive.reasons.push_back({std::to_wstring(*kind.count) + L" " + kind.text, -1, HealthVerdict::Caution});
    total = *kind.count > UINT64_MAX - total ? UINT64_MAX : total + *kind.count;
  }
  // A rise in uncorrected errors speaks again, as media errors do, and so
  // does each block the drive takes out of use.
  drive.counts[kScsiUncorrectedCount] = total;
  if (health.grownDefects && *health.grownDefects > 0) {
    const uint32_t defects = *health.grownDefects;
    drive.reasons.push_back(
        {std::to_wstring(defects) + (defects == 1 ? L" grown defect" : L" grown defects"), -1, HealthVerdict::Caution});
    drive.counts[kScsiGrownDefectCount] = defects;
  }
  drive.verdict = Heaviest(drive.reasons);
  return drive;
}

}  // namespace taruk
