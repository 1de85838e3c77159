#include "core/drive/drive_health.h"

#include <iterator>

#include "core/base/little_endian.h"
#include "core/drive/attribute_names.h"

namespace taruk {

namespace {

// ATA-3 gives two threshold values a meaning of their own: 0 "always
// passing" and 0xFF "always failing". 0xFE is marked invalid there: a drive
// that reports it has said nothing about the attribute, and a verdict of bad
// from it would be a false alarm.
constexpr uint8_t kInvalidThreshold = 0xFE;

bool ThresholdApplies(uint8_t threshold) { return threshold != 0 && threshold != kInvalidThreshold; }

struct CountedAttribute {
  uint8_t id;
  const wchar_t* one;
  const wchar_t* many;
};

// In the order of HealthCounts.
constexpr CountedAttribute kCounted[] = {
    {5, L"reallocated sector", L"reallocated sectors"},
    {196, L"reallocation event", L"reallocation events"},
    {197, L"pending sector", L"pending sectors"},
    {198, L"offline uncorrectable sector", L"offline uncorrectable sectors"},
};

std::wstring CountText(uint64_t count, const wchar_t* one, const wchar_t* many) {
  return std::to_wstring(count) + L" " + (count == 1 ? one : many);
}

// The catalogue's name without its padding, and the id; an id the catalogue
// does not name is "Attribute N".
std::wstring AttributeLabel(uint8_t id) {
  std::wstring name = AttributeNames[id];
  while (!name.empty() && name.back() == L' ') name.pop_back();
  if (name.empty() || name.front() == L'(') return L"Attribute " + std::to_wstring(id);
  return name + L" (" + std::to_wstring(id) + L")";
}

}  // namespace

HealthVerdict Heaviest(const std::vector<HealthReason>& reasons) {
  HealthVerdict verdict = HealthVerdict::Good;
  for (const HealthReason& reason : reasons) {
    if (reason.weight == HealthVerdict::Bad) return HealthVerdict::Bad;
    verdict = HealthVerdict::Caution;
  }
  return verdict;
}

const wchar_t* HealthVerdictText(HealthVerdict verdict) {
  switch (verdict) {
    case HealthVerdict::Good:
      return L"good";
    case HealthVerdict::Caution:
      return L"caution";
    case HealthVerdict::Bad:
      return L"bad";
    case HealthVerdict::Unknown:
      break;
  }
  return L"unknown";
}

uint32_t RawCount(const SmartAttributeEntry& entry) {
  return static_cast<uint32_t>(ReadLittleEndian(std::span(entry.raw).first(2)));
}

DriveHealth AtaHealth(const DriveSlot& slot) {
  DriveHealth health;
  std::vector<HealthReason> failingNow;
  std::vector<HealthReason> counted;
  std::vector<HealthReason> failedBefore;
  bool anyAttribute = false;
  for (int j = 0; j < kAttributeCount; ++j) {
    const SmartAttributeEntry& entry = slot.attributes[static_cast<size_t>(j)];
    if (entry.id == 0) continue;
    anyAttribute = true;
    // The texts only for what they name: most attributes are far above
    // their thresholds, and a verdict is asked for on every cycle.
    if (ThresholdApplies(entry.threshold)) {
      const auto threshold = [&entry] { return L", threshold " + std::to_wstring(entry.threshold); };
      if (entry.current <= entry.threshold) {
        failingNow.push_back(
            {AttributeLabel(entry.id) + L" failing now: value " + std::to_wstring(entry.current) + threshold(), j,
             HealthVerdict::Bad});
      } else if (entry.worst <= entry.threshold) {
        failedBefore.push_back(
            {AttributeLabel(entry.id) + L" failed in the past: worst " + std::to_wstring(entry.worst) + threshold(), j,
             HealthVerdict::Caution});
      }
    }
    for (size_t k = 0; k < std::size(kCounted); ++k) {
      if (entry.id != kCounted[k].id) continue;
      const uint32_t count = RawCount(entry);
      // A page that lists an attribute twice counts it once, at its highest.
      if (count > health.counts[k]) health.counts[k] = count;
      if (count == 0) continue;
      counted.push_back({CountText(count, kCounted[k].one, kCounted[k].many), j, HealthVerdict::Caution});
    }
  }
  if (!anyAttribute) {
    health.reasons.push_back({L"no S.M.A.R.T. attributes could be read", -1, HealthVerdict::Unknown});
    return health;
  }
  // Sectors the drive has already given up on weigh more than an attribute
  // that once touched its threshold and recovered.
  for (auto* group : {&failingNow, &counted, &failedBefore}) {
    health.reasons.insert(health.reasons.end(), group->begin(), group->end());
  }
  health.verdict = Heaviest(health.reasons);
  return health;
}

DriveHealth NvmeHealth(const NvmeHealthFields& fields) {
  struct WarningBit {
    int bit;
    const wchar_t* text;
    HealthVerdict weight;
  };
  constexpr WarningBit kBits[] = {
      {0, L"available spare below threshold", HealthVerdict::Bad},
      {2, L"reliability degraded", HealthVerdict::Bad},
      {3, L"media placed in read-only mode", HealthVerdict::Bad},
      {4, L"volatile memory backup failed", HealthVerdict::Bad},
      {1, L"temperature outside its thresholds", HealthVerdict::Caution},
  };
  DriveHealth health;
  for (const WarningBit& warning : kBits) {
    if ((fields.criticalWarning >> warning.bit) & 1) health.reasons.push_back({warning.text, -1, warning.weight});
  }
  if (fields.percentageUsed >= 100) {
    health.reasons.push_back(
        {std::to_wstring(fields.percentageUsed) + L" % of rated endurance used", -1, HealthVerdict::Caution});
  }
  if (fields.mediaErrors > 0) {
    health.reasons.push_back(
        {CountText(fields.mediaErrors, L"media error", L"media errors"), -1, HealthVerdict::Caution});
  }
  health.counts[0] = fields.mediaErrors;
  health.verdict = Heaviest(health.reasons);
  return health;
}

}  // namespace taruk
