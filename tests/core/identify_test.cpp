#include "core/drive/identify.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "core/view/disk_panel_text.h"
#include "support/pages.h"

using namespace taruk;

namespace {

DriveSlot Decode(Page page) {
  DriveSlot slot;
  DecodeIdentifyPage(page, slot);
  return slot;
}

DriveSlot WithGeometry(int64_t cylinders, uint32_t tracks, uint32_t sectors, uint32_t bytes) {
  DriveSlot slot;
  slot.cylinders = cylinders;
  slot.tracksPerCylinder = tracks;
  slot.sectorsPerTrack = sectors;
  slot.bytesPerSector = bytes;
  ComputeCapacity(slot);
  return slot;
}

}  // namespace

TEST(IdentifyDecoding, TextsComeInReadingOrderWithTheDrivesPadding) {
  const DriveSlot slot = Decode(IdentifyPage("WDC WD800JB-00JJC0", "05.01C05", "     WD-WMAM9AB12345"));
  // 18 characters of model and 22 spaces: 40 in all, trailing spaces kept.
  EXPECT_EQ(slot.model, L"WDC WD800JB-00JJC0                      ");
  EXPECT_EQ(slot.firmware, L"05.01C05");
  // Serial numbers right-aligned by the drive keep their leading spaces.
  EXPECT_EQ(slot.serialNumber, L"     WD-WMAM9AB12345");

  const DriveSlot nine = Decode(IdentifyPage("ST3160023", "3.06", "3JS0QXYZ"));
  EXPECT_EQ(nine.model, L"ST3160023" + std::wstring(31, L' '));
  EXPECT_EQ(nine.model.size(), 40u);
  EXPECT_EQ(nine.firmware, L"3.06    ");
  EXPECT_EQ(nine.serialNumber, L"3JS0QXYZ            ");
}

TEST(IdentifyDecoding, TextsStopAtAZeroByteOrAtTheFieldsEnd) {
  Page page = IdentifyPage("", "", "");
  PutAtaString(page, 27, 20, std::string("MAXTOR\0 6L080J4", 15));
  EXPECT_EQ(Decode(page).model, L"MAXTOR");

  // A zero in the high byte of the first word: an empty text.
  Page empty = IdentifyPage("", "", "");
  PutAtaString(empty, 10, 10, std::string("\0ABC", 4));
  EXPECT_EQ(Decode(empty).serialNumber, L"");

  // Full fields without a terminator must not run into what follows them:
  // the serial into word 20, the firmware into the model, the model into
  // word 47.
  Page full{};
  PutAtaString(full, 10, 10, "ABCDEFGHIJKLMNOPQRST");
  full[40] = 'x';
  full[41] = 'y';
  PutAtaString(full, 23, 4, "12345678");
  PutAtaString(full, 27, 20, std::string(40, 'M'));
  full[94] = 'z';
  full[95] = 'w';
  const DriveSlot slot = Decode(full);
  EXPECT_EQ(slot.serialNumber, L"ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(slot.firmware, L"12345678");
  EXPECT_EQ(slot.model, std::wstring(40, L'M'));
}

TEST(IdentifyDecoding, HighBytesBecomeTheSameCodePoints) {
  Page page = IdentifyPage("", "", "");
  PutAtaString(page, 27, 20, std::string("\x80\xE9\xFF\xA0\0", 5));
  EXPECT_EQ(Decode(page).model, std::wstring({L'\u0080', L'\u00E9', L'\u00FF', L'\u00A0'}));
}

TEST(IdentifyDecoding, DefaultGeometryWordsAreReadLowByteFirst) {
  const DriveSlot slot = Decode(IdentifyPage("M", "F", "S", 0xABCD, 0x1234, 0xFF01));
  EXPECT_EQ(slot.idCylinders, 0xABCD);
  EXPECT_EQ(slot.idHeads, 0x1234);
  EXPECT_EQ(slot.idSectorsPerTrack, 0xFF01);
}

TEST(Capacity, FollowsTheGeometryInDecimalUnits) {
  // 8,455,200,768 bytes.
  const DriveSlot slot = WithGeometry(16383, 16, 63, 512);
  EXPECT_EQ(slot.capacityGb, 8);
  EXPECT_EQ(slot.capacityMb, 455);  // megabytes, not hundredths of a gigabyte
}

TEST(Capacity, SinglePrecisionFactorsLoseTheLastUnit) {
  // The gigabyte factor is just below 1e-9, so whole gigabytes come out one
  // short and the rest shows as 999 MB.
  for (int64_t k : {1, 8, 80, 500, 2000}) {
    const DriveSlot slot = WithGeometry(k * 1000000, 1, 1, 1000);
    EXPECT_EQ(slot.capacityGb, k - 1) << k;
    EXPECT_EQ(slot.capacityMb, 999) << k;
  }
  // The megabyte factor is just below 1e-6 too: 8 GB and exactly 455 MB
  // shows 454 MB.
  const DriveSlot slot = WithGeometry(8455000, 1, 1, 1000);
  EXPECT_EQ(slot.capacityGb, 8);
  EXPECT_EQ(slot.capacityMb, 454);
  // One byte more than a whole gigabyte is still below it after the factor.
  const DriveSlot justOver = WithGeometry(1000000001, 1, 1, 1);
  EXPECT_EQ(justOver.capacityGb, 0);
  EXPECT_EQ(justOver.capacityMb, 999);
}

TEST(Capacity, GeometryFieldsCountAsUnsigned) {
  // 2^31 tracks would be negative as a signed 32-bit number.
  const DriveSlot slot = WithGeometry(1, 0x80000000u, 1, 1);
  EXPECT_EQ(slot.capacityGb, 2);
  EXPECT_EQ(slot.capacityMb, 147);
  // A 16 TB drive: the 32-bit fields' product overflows 32 bits, the
  // double-precision product does not.
  const DriveSlot big = WithGeometry(1945332, 255, 63, 512);
  EXPECT_EQ(big.capacityGb, 16000);
  EXPECT_EQ(big.capacityMb, 900);
}

TEST(Capacity, AbsurdGeometrySaturatesInsteadOfTurningNegative) {
  // Below the bound the Windows arithmetic holds (its single-precision
  // factor is a gigabyte short from about 35 PB up, which no longer spills
  // into the megabytes); from two billion gigabytes up the largest capacity
  // is shown.
  const struct {
    DriveSlot slot;
    int32_t gb;
    int32_t mb;
    const wchar_t* text;
  } cases[] = {
      {WithGeometry(2'147'483'000, 1000, 1000, 1000), 2'147'482'939, 999, L"Capacity: 2147482939.99 Gb"},
      {WithGeometry(1945332, 255, 63, 512), 16000, 900, L"Capacity: 16000.90 Gb"},
      {WithGeometry(2'147'484'000, 1000, 1000, 1000), INT32_MAX, 999, L"Capacity: 2147483647.99 Gb"},
      {WithGeometry(INT64_MAX, 1, 1, 1), INT32_MAX, 999, L"Capacity: 2147483647.99 Gb"},
      {WithGeometry(INT64_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX), INT32_MAX, 999, L"Capacity: 2147483647.99 Gb"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.slot.capacityGb, c.gb) << c.slot.cylinders;
    EXPECT_EQ(c.slot.capacityMb, c.mb) << c.slot.cylinders;
    EXPECT_EQ(CapacityText(c.slot), c.text);
  }
}
