// What a person reads about a drive: the icon's state, the panel's health
// line, window titles without the drive's padding, raw values in their units.
#include "core/view/health_look.h"

#include <gtest/gtest.h>

#include "core/drive/attribute_reading.h"
#include "core/view/disk_panel_text.h"
#include "core/view/smart_details_rows.h"
#include "core/view/window_texts.h"

using namespace taruk;

namespace {

DriveSlot Present(std::initializer_list<SmartAttributeEntry> attributes) {
  DriveSlot slot;
  slot.capacityGb = 80;
  int j = 0;
  for (const SmartAttributeEntry& entry : attributes) slot.attributes[j++] = entry;
  return slot;
}

const SmartAttributeEntry kFine{5, 100, 100, 36, {}};
const SmartAttributeEntry kPending{197, 100, 100, 0, {3}};
const SmartAttributeEntry kFailing{5, 20, 20, 36, {}};

TEST(HealthLook, TrayIconTakesTheWorstPresentDriveAndAsksForAttentionThen) {
  const DriveSlot good = Present({kFine}), caution = Present({kPending}), bad = Present({kFailing});
  DriveSlot absentBad = bad;
  absentBad.capacityGb = 0;
  const DriveSlot unknown = Present({});
  const struct {
    DriveSlots slots;
    HealthVerdict shown;
  } cases[] = {
      {{good, unknown, DriveSlot{}, absentBad}, HealthVerdict::Good},  // unknown warns of nothing
      {{good, caution, good, DriveSlot{}}, HealthVerdict::Caution},
      {{bad, caution, DriveSlot{}, DriveSlot{}}, HealthVerdict::Bad},
      {{caution, unknown, good, bad}, HealthVerdict::Bad},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TrayIconVerdict(c.slots), c.shown);
    EXPECT_EQ(TrayIconNeedsAttention(c.shown), c.shown != HealthVerdict::Good);
  }
  EXPECT_EQ(HealthBadgeColour(HealthVerdict::Caution), (RgbColour{240, 160, 0}));
  EXPECT_EQ(HealthBadgeColour(HealthVerdict::Bad), (RgbColour{210, 20, 20}));
  EXPECT_FALSE(HealthBadgeColour(HealthVerdict::Unknown));
  EXPECT_EQ(HealthBadgeSize(16), 8);
  EXPECT_EQ(HealthBadgeSize(12), 8);
  EXPECT_EQ(HealthBadgeSize(32), 16);

  EXPECT_EQ(PanelHealthText(caution), L"Health: caution (3 pending sectors)");
  EXPECT_EQ(PanelHealthText(good), L"Health: good");
}

// The temperature drawn into the icon: the hottest drive with a reading,
// on the worst drive's colour; the plan compares equal while nothing a
// person would see has changed, so the icon is not redrawn every poll.
TEST(HealthLook, TrayTemperatureIsTheHottestDriveOnTheWorstDrivesColour) {
  const auto at = [](DriveSlot slot, uint32_t temperature) {
    slot.temperature = temperature;
    return slot;
  };
  const DriveSlot good = Present({kFine}), caution = Present({kPending}), bad = Present({kFailing});
  DriveSlot absentHot = at(good, 90);
  absentHot.capacityGb = 0;
  const RgbColour green{30, 130, 60}, amber{240, 160, 0}, red{210, 20, 20};
  const struct {
    DriveSlots slots;
    const wchar_t* figure;
    RgbColour background;
  } cases[] = {
      {{at(good, 41), at(good, 57), absentHot}, L"57", green},
      {{at(caution, 35), at(good, 48)}, L"48", amber},  // the cool drive's caution colours it
      {{at(bad, 0), at(good, 30)}, L"30", red},         // no sensor: never the hottest
      {{at(good, 0), DriveSlot{}}, L"", RgbColour{}},   // nothing to draw: the badged icon
      {{at(good, 1200)}, L"999", green},
  };
  for (const auto& c : cases) {
    const TrayIconPlan plan = PlanTrayIcon(c.slots, TrayIconMode::Temperature);
    EXPECT_EQ(plan.temperature, c.figure);
    EXPECT_EQ(plan.background, c.background) << plan.temperature;
    EXPECT_EQ(plan.verdict, TrayIconVerdict(c.slots));
    // The health mode draws the badge alone, whatever the temperatures.
    EXPECT_EQ(PlanTrayIcon(c.slots, TrayIconMode::Health), TrayIconPlan{TrayIconVerdict(c.slots)});
  }
  EXPECT_EQ(PlanTrayIcon({at(good, 50), at(good, 40)}, TrayIconMode::Temperature),
            PlanTrayIcon({at(good, 41), at(good, 50)}, TrayIconMode::Temperature));
  EXPECT_NE(PlanTrayIcon({at(good, 50)}, TrayIconMode::Temperature),
            PlanTrayIcon({at(good, 51)}, TrayIconMode::Temperature));

  SideSettings side;
  std::string error;
  for (const auto& [file, mode] :
       {std::pair{"", TrayIconMode::Health}, std::pair{"[tray]\nicon = \"temperature\"\n", TrayIconMode::Temperature},
        std::pair{"[tray]\nicon = \"health\"\n", TrayIconMode::Health},
        std::pair{"[tray]\nicon = \"Temperature\"\n", TrayIconMode::Health}}) {
    ASSERT_TRUE(ParseSideSettings(file, side, error)) << error;
    EXPECT_EQ(ReadTrayIconMode(side), mode) << file;
  }
  // The figure fills the icon's width at every size a tray asks for.
  for (const int size : {16, 22, 24, 32, 48, 64}) {
    for (const size_t digits : {size_t{1}, size_t{2}, size_t{3}}) {
      const int pixels = TrayFigurePixelSize(size, digits);
      EXPECT_LE(static_cast<int>(digits) * pixels * 6 / 10, size) << size << " px, " << digits;
    }
  }
  // Two digits on the smallest icon still read.
  EXPECT_GE(TrayFigurePixelSize(16, 2), 10);
}

// Both windows colour and tip the details rows from these marks; empty
// entries before the marked ones make rows and entries part ways.
TEST(HealthLook, DetailsRowsAreMarkedByTheReasonsBehindThemTheHeavierFirst) {
  DriveSlot slot;
  slot.capacityGb = 40;
  slot.attributes[0] = {1, 100, 100, 51, {}};
  slot.attributes[2] = {5, 30, 30, 36, {2}};     // failing now, and counted
  slot.attributes[4] = {190, 60, 40, 45, {}};    // failed in the past
  slot.attributes[5] = {197, 100, 100, 0, {3}};  // counted
  slot.attributes[7] = {194, 40, 40, 0, {40}};
  const std::vector<DetailsRowMark> expected = {
      {},
      {HealthVerdict::Bad, L"Reallocated Sector Count (5) failing now: value 30, threshold 36\n2 reallocated sectors"},
      {HealthVerdict::Caution, L"Attribute 190 failed in the past: worst 40, threshold 45"},
      {HealthVerdict::Caution, L"3 pending sectors"},
      {},
  };
  EXPECT_EQ(DetailsRowMarks(slot), expected);
  EXPECT_EQ(HealthRowColour(HealthVerdict::Bad), palette::kBadRow);
  EXPECT_EQ(HealthRowColour(HealthVerdict::Caution), palette::kCautionRow);
  EXPECT_FALSE(HealthRowColour(HealthVerdict::Good) || HealthRowColour(HealthVerdict::Unknown));
}

TEST(HealthLook, TextsForPeopleLoseThePaddingOfModelAndSerial) {
  DriveSlot slot = Present({});
  slot.model = L"ST3160023A" + std::wstring(30, L' ');
  slot.serialNumber = L"      5JS1ABCD";
  slot.capacityMb = 26;
  EXPECT_EQ(DiskButtonCaption(1, slot), L"HD1: ST3160023A\r\nCapacity: 80.02 Gb");
  EXPECT_EQ(DriveWindowTitle(L"S.M.A.R.T. details", 1, slot), L"S.M.A.R.T. details - HD1: ST3160023A, S/N 5JS1ABCD");
  slot.serialNumber = L"    ";
  EXPECT_EQ(DriveWindowTitle(L"Temperature Graphic", 0, slot), L"Temperature Graphic - HD0: ST3160023A");
  EXPECT_EQ(ShownText(L"\t a b \t"), L"a b");
  EXPECT_EQ(ShownText(L"   "), L"");
}

TEST(HealthLook, RawValuesReadInTheirUnitsWhereTheLayoutIsKnown) {
  const struct {
    SmartAttributeEntry entry;
    const wchar_t* text;
  } cases[] = {
      {{9, 100, 100, 0, {0xBB, 0x38, 0, 0, 0x12, 0x34}}, L"14523 hours"},  // the low 32 bits
      {{194, 100, 100, 0, {41, 0, 15, 0, 50, 0}}, L"41 \u00B0C"},          // byte 0; min and max beside it
      {{231, 100, 100, 0, {0x2D}}, L"45 \u00B0C"},
      {{190, 100, 100, 0, {38, 0, 20, 45}}, L"38 \u00B0C"},
      {{5, 100, 100, 36, {0x03, 0x00, 0x07, 0x00, 0x01}}, L"3 sectors"},  // vendor words above 16 bits
      {{196, 100, 100, 0, {0xFF, 0xFF, 0x01}}, L"65535 events"},
      {{197, 100, 100, 0, {0}}, L"0 sectors"},
      {{198, 100, 100, 0, {1}}, L"1 sector"},
      {{1, 100, 100, 6, {1, 2, 3}}, L""},  // a raw layout of the vendor's own
  };
  for (const auto& c : cases) EXPECT_EQ(ReadingText(AtaAttributeReading(c.entry)), c.text) << int{c.entry.id};

  NvmeHealthLog log;
  log.compositeTemperatureKelvin = 310;
  log.percentageUsed = 104;
  log.powerOnHours.value = 1ull << 50;  // beyond the raw column's 48 bits
  EXPECT_EQ(ReadingText(NvmeFieldReading(log, 2)), L"37 \u00B0C");
  EXPECT_EQ(ReadingText(NvmeFieldReading(log, 5)), L"104 %");
  EXPECT_EQ(ReadingText(NvmeFieldReading(log, 12)), L"1125899906842624 hours");
  EXPECT_EQ(ReadingText(NvmeFieldReading(log, 1)), L"");  // bits, not a number
  for (uint16_t none : {0, 273, 0xFFFF}) {
    log.compositeTemperatureKelvin = none;
    EXPECT_FALSE(NvmeFieldReading(log, 2)) << none;
  }
}

}  // namespace
