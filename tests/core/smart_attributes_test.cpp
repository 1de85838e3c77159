#include "core/drive/smart_attributes.h"

#include <gtest/gtest.h>

#include "core/view/drive_report.h"
#include "support/pages.h"

using namespace taruk;

namespace {

DriveSlot Store(const Page& attributes, const Page& thresholds = Page{}, DriveSlot slot = {}) {
  StoreSmartAttributes(attributes, thresholds, slot);
  return slot;
}

}  // namespace

TEST(AttributeDecoding, TemperatureComesFromTheLast194Or231Only) {
  EXPECT_EQ(Store(AttributePage({{3, 194, 100, 100, {0x2D, 0x00, 0x14}}})).temperature, 45u);
  // The later entry wins, whichever of the two ids it carries.
  EXPECT_EQ(Store(AttributePage({{4, 194, 1, 1, {40}}, {12, 231, 1, 1, {38}}})).temperature, 38u);
  EXPECT_EQ(Store(AttributePage({{4, 231, 1, 1, {38}}, {12, 194, 1, 1, {40}}})).temperature, 40u);
  // Only raw byte 0: the other bytes (lowest and highest seen) are ignored.
  EXPECT_EQ(Store(AttributePage({{0, 194, 1, 1, {0xFF, 0x12, 0x34, 0x56}}})).temperature, 255u);

  // 190 (airflow temperature) is not a temperature reading here.
  EXPECT_EQ(Store(AttributePage({{0, 190, 1, 1, {44}}})).temperature, 0u);
  DriveSlot earlier;
  earlier.temperature = 51;
  EXPECT_EQ(Store(AttributePage({{0, 190, 1, 1, {44}}}), Page{}, earlier).temperature, 51u);
}

TEST(AttributeDecoding, PowerOnHoursAreRawBytesZeroToThree) {
  EXPECT_EQ(Store(AttributePage({{0, 9, 1, 1, {0x2C, 0x01, 0x00, 0x00, 0x07, 0x00}}})).powerOnHours, 300u);
  EXPECT_EQ(Store(AttributePage({{0, 9, 1, 1, {0x78, 0x56, 0x34, 0x92, 0xFF, 0xFF}}})).powerOnHours, 0x92345678u);
  DriveSlot earlier;
  earlier.powerOnHours = 77;
  EXPECT_EQ(Store(AttributePage({{0, 12, 1, 1, {9}}}), Page{}, earlier).powerOnHours, 77u);
}

TEST(AttributeDecoding, EntriesMirrorThePageByPosition) {
  const DriveSlot slot = Store(AttributePage({{0, 1, 100, 99, {}}, {5, 194, 45, 60, {0x2D, 0, 0x14}}}),
                               // Threshold ids that do not match: still taken by position.
                               ThresholdPage({{0, 7, 51}, {5, 3, 21}, {6, 194, 99}}));
  EXPECT_EQ(slot.attributes[0], (SmartAttributeEntry{1, 100, 99, 51, {}}));
  EXPECT_EQ(slot.attributes[5], (SmartAttributeEntry{194, 45, 60, 21, {0x2D, 0, 0x14, 0, 0, 0}}));
  EXPECT_EQ(slot.attributes[6].id, 0);
  EXPECT_EQ(RawValueText(slot.attributes[5]), "00000014002d");

  // Raw bytes are stored least significant first and shown the other way.
  const DriveSlot raw = Store(AttributePage({{29, 200, 1, 1, {1, 2, 3, 4, 5, 6}}}));
  EXPECT_EQ(raw.attributes[29].raw, (std::array<uint8_t, 6>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(RawValueText(raw.attributes[29]), "060504030201");
}

TEST(AttributeDecoding, EmptyEntriesLeaveTheOldEntryAlone) {
  DriveSlot earlier;
  for (int j = 0; j < 30; ++j) earlier.attributes[j] = {static_cast<uint8_t>(100 + j), 1, 2, 3, {4}};
  std::vector<AttributeSpec> tenEntries;
  for (int j = 0; j < 10; ++j) tenEntries.push_back({j, static_cast<uint8_t>(1 + j), 200, 200, {}});
  // An id-0 entry whose other bytes are not zero is still empty, and its
  // raw byte must not reach the temperature.
  Page page = AttributePage(tenEntries);
  page[2 + 12 * 15 + 3] = 0x55;
  page[2 + 12 * 15 + 5] = 0x66;
  const DriveSlot slot = Store(page, Page{}, earlier);
  for (int j = 0; j < 10; ++j) EXPECT_EQ(slot.attributes[j].id, 1 + j) << j;
  for (int j = 10; j < 30; ++j) EXPECT_EQ(slot.attributes[j], earlier.attributes[j]) << j;
  EXPECT_EQ(slot.temperature, 0u);
}
