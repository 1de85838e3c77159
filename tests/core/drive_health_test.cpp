// The health verdict on attribute pages written here, through the same
// decoding the reading pass uses, and on NVMe health records.
#include "core/drive/drive_health.h"

#include <gtest/gtest.h>

#include "core/drive/smart_attributes.h"
#include "support/pages.h"

using namespace taruk;

namespace {

struct AtaCase {
  const char* name;
  std::vector<AttributeSpec> attributes;
  std::vector<ThresholdSpec> thresholds;
  HealthVerdict verdict;
  std::vector<std::wstring> reasons;
  std::vector<int> markedEntries;  // attributeEntry of each reason, in order
};

std::wstring Joined(const DriveHealth& health) {
  std::wstring all;
  for (const HealthReason& reason : health.reasons) all += (all.empty() ? L"" : L" | ") + reason.text;
  return all;
}

std::wstring Joined(const std::vector<std::wstring>& texts) {
  std::wstring all;
  for (const std::wstring& text : texts) all += (all.empty() ? L"" : L" | ") + text;
  return all;
}

}  // namespace

TEST(DriveHealth, AtaRules) {
  const AtaCase cases[] = {
      {"healthy page",
       {{0, 1, 100, 100, {}}, {1, 5, 100, 100, {}}},
       {{0, 1, 51}, {1, 5, 36}},
       HealthVerdict::Good,
       {},
       {}},
      // Threshold 0 means "always passing": a value of 0 is no failure.
      {"threshold 0 never fails", {{0, 190, 0, 0, {}}}, {{0, 190, 0}}, HealthVerdict::Good, {}, {}},
      // 0xFE is an invalid threshold, 0xFF "always failing".
      {"threshold 0xFE is ignored", {{0, 7, 100, 1, {}}}, {{0, 7, 0xFE}}, HealthVerdict::Good, {}, {}},
      {"threshold 0xFF always fails",
       {{0, 7, 253, 253, {}}},
       {{0, 7, 0xFF}},
       HealthVerdict::Bad,
       {L"Seek Error Rate (7) failing now: value 253, threshold 255"},
       {0}},
      {"value at its threshold fails now",
       {{3, 5, 36, 36, {}}},
       {{3, 5, 36}},
       HealthVerdict::Bad,
       {L"Reallocated Sector Count (5) failing now: value 36, threshold 36"},
       {3}},
      {"one above its threshold, worst at it: failed in the past",
       {{2, 190, 57, 45, {}}},
       {{2, 190, 45}},
       HealthVerdict::Caution,
       {L"Attribute 190 failed in the past: worst 45, threshold 45"},
       {2}},
      {"every counted attribute, one and many",
       {{0, 5, 100, 100, {2}}, {1, 196, 100, 100, {1}}, {2, 197, 100, 100, {3}}, {3, 198, 100, 100, {1}}},
       {},
       HealthVerdict::Caution,
       {L"2 reallocated sectors", L"1 reallocation event", L"3 pending sectors", L"1 offline uncorrectable sector"},
       {0, 1, 2, 3}},
      // Vendor data above the low 16 bits is not part of the count.
      {"vendor bits in the high bytes",
       {{4, 5, 100, 100, {0x02, 0x00, 0x41, 0x0F, 0x07, 0x00}}},
       {{4, 5, 36}},
       HealthVerdict::Caution,
       {L"2 reallocated sectors"},
       {4}},
      {"only vendor bits: no count",
       {{4, 197, 100, 100, {0x00, 0x00, 0x41, 0x0F, 0x07, 0x01}}},
       {},
       HealthVerdict::Good,
       {},
       {}},
      {"the full low 16 bits",
       {{4, 197, 100, 100, {0xFF, 0xFF, 0x01}}},
       {},
       HealthVerdict::Caution,
       {L"65535 pending sectors"},
       {4}},
      // Failing now comes first, then counts, then past failures, each in
      // page order; a failing attribute with a count gives both.
      {"order of the reasons",
       {{0, 190, 60, 40, {}}, {1, 197, 100, 100, {4}}, {2, 5, 10, 10, {9}}},
       {{0, 190, 45}, {2, 5, 36}},
       HealthVerdict::Bad,
       {L"Reallocated Sector Count (5) failing now: value 10, threshold 36", L"4 pending sectors",
        L"9 reallocated sectors", L"Attribute 190 failed in the past: worst 40, threshold 45"},
       {2, 1, 2, 0}},
      {"no attribute stored", {}, {}, HealthVerdict::Unknown, {L"no S.M.A.R.T. attributes could be read"}, {-1}},
  };
  for (const AtaCase& c : cases) {
    SCOPED_TRACE(c.name);
    DriveSlot slot;
    StoreSmartAttributes(AttributePage(c.attributes), ThresholdPage(c.thresholds), slot);
    const DriveHealth health = AtaHealth(slot);
    EXPECT_EQ(health.verdict, c.verdict);
    EXPECT_EQ(Joined(health), Joined(c.reasons));
    std::vector<int> marked;
    for (const HealthReason& reason : health.reasons) marked.push_back(reason.attributeEntry);
    EXPECT_EQ(marked, c.markedEntries);
  }
}

TEST(DriveHealth, AtaCountsAreWhatTheAlarmWatches) {
  DriveSlot slot;
  StoreSmartAttributes(AttributePage({{0, 198, 100, 100, {7, 0, 0xAA}},
                                      {1, 196, 100, 100, {2}},
                                      {2, 194, 100, 100, {40}},
                                      {3, 197, 100, 100, {0x34, 0x12}}}),
                       Page{}, slot);
  EXPECT_EQ(AtaHealth(slot).counts, (HealthCounts{0, 2, 0x1234, 7}));
  EXPECT_STREQ(HealthVerdictText(AtaHealth(slot).verdict), L"caution");
}

TEST(DriveHealth, NvmeRules) {
  const struct {
    NvmeHealthFields fields;
    HealthVerdict verdict;
    std::wstring reasons;
  } cases[] = {
      {{0x00, 99, 0}, HealthVerdict::Good, L""},
      {{0x01, 0, 0}, HealthVerdict::Bad, L"available spare below threshold"},
      {{0x04, 0, 0}, HealthVerdict::Bad, L"reliability degraded"},
      {{0x08, 0, 0}, HealthVerdict::Bad, L"media placed in read-only mode"},
      {{0x10, 0, 0}, HealthVerdict::Bad, L"volatile memory backup failed"},
      {{0x02, 0, 0}, HealthVerdict::Caution, L"temperature outside its thresholds"},
      {{0x00, 100, 0}, HealthVerdict::Caution, L"100 % of rated endurance used"},
      {{0x00, 255, 0}, HealthVerdict::Caution, L"255 % of rated endurance used"},
      {{0x00, 0, 1}, HealthVerdict::Caution, L"1 media error"},
      // Bits the rules do not name (persistent memory, reserved) say nothing.
      {{0xE0, 0, 0}, HealthVerdict::Good, L""},
      {{0x1F, 120, 5},
       HealthVerdict::Bad,
       L"available spare below threshold | reliability degraded | media placed in read-only mode | "
       L"volatile memory backup failed | temperature outside its thresholds | 120 % of rated endurance used | "
       L"5 media errors"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "warning " << int{c.fields.criticalWarning} << " used "
                                    << int{c.fields.percentageUsed} << " errors " << c.fields.mediaErrors);
    const DriveHealth health = NvmeHealth(c.fields);
    EXPECT_EQ(health.verdict, c.verdict);
    EXPECT_EQ(Joined(health), c.reasons);
    EXPECT_EQ(health.counts[0], c.fields.mediaErrors);
  }
}
