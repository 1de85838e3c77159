// The rows of the S.M.A.R.T. details list.
#include <gtest/gtest.h>

#include "app/smart_details_rows.h"

namespace {

SmartAttributeEntry Entry(uint8_t id, uint8_t current, uint8_t worst, uint8_t threshold,
                          std::array<uint8_t, 6> raw = {}) {
  SmartAttributeEntry entry;
  entry.id = id;
  entry.current = current;
  entry.worst = worst;
  entry.threshold = threshold;
  entry.raw = raw;
  return entry;
}

}  // namespace

TEST(SmartDetailsRows, TemperatureRowReadsInColumnOrder) {
  DriveSlot slot;
  slot.attributes[0] = Entry(194, 45, 60, 0, {0x2D, 0x00, 0x14, 0x00, 0x00, 0x00});
  const auto rows = SmartDetailsRows(slot);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], (SmartDetailsRow{L"194", L"Temperature ", L"45", L"0", L"60", L"00000014002d"}));
}

TEST(SmartDetailsRows, RawIsTwelveLowerCaseDigitsMostSignificantFirst) {
  DriveSlot slot;
  slot.attributes[0] = Entry(9, 255, 255, 255, {0x01, 0x02, 0x0A, 0xBC, 0xDE, 0xFF});
  EXPECT_EQ(SmartDetailsRows(slot)[0][5], L"ffdebc0a0201");
  EXPECT_EQ(SmartDetailsRows(slot)[0][2], L"255");
}

TEST(SmartDetailsRows, OneRowPerFilledEntryInPageOrder) {
  DriveSlot slot;
  const uint8_t ids[18] = {1, 3, 4, 5, 7, 9, 10, 12, 190, 191, 192, 193, 194, 197, 198, 199, 240, 241};
  for (int j = 0; j < 18; ++j) slot.attributes[static_cast<size_t>(j)] = Entry(ids[j], 100, 90, 6);
  const auto rows = SmartDetailsRows(slot);
  ASSERT_EQ(rows.size(), 18u);
  for (int j = 0; j < 18; ++j) EXPECT_EQ(rows[static_cast<size_t>(j)][0], std::to_wstring(ids[j]));
}

TEST(SmartDetailsRows, EmptyEntriesLeaveNoGap) {
  DriveSlot slot;
  for (int j = 0; j < 5; ++j) slot.attributes[static_cast<size_t>(j)] = Entry(static_cast<uint8_t>(j + 1), 100, 100, 0);
  slot.attributes[6] = Entry(9, 98, 97, 0, {0x2C, 0x01, 0, 0, 0, 0});
  slot.attributes[29] = Entry(210, 1, 2, 3);
  const auto rows = SmartDetailsRows(slot);
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(rows[4][0], L"5");
  EXPECT_EQ(rows[5], (SmartDetailsRow{L"9", L"Power On Hours Count    ", L"98", L"0", L"97", L"00000000012c"}));
  // An id without a name of its own.
  EXPECT_EQ(rows[6], (SmartDetailsRow{L"210", L"(Unknown attribute)", L"1", L"3", L"2", L"000000000000"}));
}

TEST(SmartDetailsRows, DriveNeverReadHasNoRows) {
  DriveSlot slot;
  slot.capacityGb = 80;
  EXPECT_TRUE(SmartDetailsRows(slot).empty());
}
