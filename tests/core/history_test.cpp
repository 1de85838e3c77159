#include "core/monitor/history.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/quiet_machine.h"

using namespace taruk;

namespace {

template <size_t N>
std::vector<uint32_t> Newest(const std::array<uint32_t, N>& series, size_t count) {
  return {series.begin(), series.begin() + static_cast<std::ptrdiff_t>(count)};
}

class HistoryTest : public testing::Test {
 protected:
  FixedClock clock{10, 7};
  DriveSlots slots = DriveSlots(kDiskButtonCount);
  DriveSlot& slot = slots[0];

  void SetUp() override { ResetHistory(slots, clock); }

  // One monitoring cycle for slot 0.
  void CycleAt(int minute, uint32_t temperature, int32_t pollInterval = 60) {
    clock.minute = minute;
    slot.temperature = temperature;
    RecordHistory(slot, pollInterval, clock);
  }
  std::vector<uint32_t> Minutes(size_t count) const { return Newest(slot.minuteHistory, count); }
};

using Series = std::vector<uint32_t>;

}  // namespace

TEST_F(HistoryTest, EachNewMinuteShiftsByTheMinutesOneCycleStandsFor) {
  CycleAt(7, 40);  // still the start minute: no sample yet
  EXPECT_EQ(Minutes(2), (Series{0, 0}));
  CycleAt(8, 41);
  CycleAt(9, 42);
  EXPECT_EQ(Minutes(3), (Series{42, 41, 0}));
  clock.hour = 11;  // only the minute of the hour counts
  CycleAt(9, 43);
  EXPECT_EQ(Minutes(3), (Series{42, 41, 0}));

  CycleAt(14, 45, 300);  // five minutes, five samples
  EXPECT_EQ(Minutes(7), (Series{45, 45, 45, 45, 45, 42, 41}));
  CycleAt(15, 50, 90);  // the part minute counts for nothing
  EXPECT_EQ(Minutes(3), (Series{50, 45, 45}));

  for (int cycle = 0; cycle < 12; ++cycle) {  // every 10 s: the first of each minute
    CycleAt(16 + cycle / 6, 30 + static_cast<uint32_t>(cycle), 10);
  }
  EXPECT_EQ(Minutes(3), (Series{36, 30, 50}));

  for (uint32_t cycle = 1; cycle <= 100; ++cycle) CycleAt(static_cast<int>(cycle % 60), cycle);
  EXPECT_EQ(slot.minuteHistory[0], 100u);
  EXPECT_EQ(slot.minuteHistory[99], 1u);
}

TEST_F(HistoryTest, NewClockHourWritesHourElementZeroAndDropsTheOldest) {
  for (uint32_t i = 0; i < 30; ++i) slot.hourHistory[i] = 100 + i;
  clock.hour = 11;
  CycleAt(8, 41);
  CycleAt(9, 55);  // same hour: the hour series stays
  EXPECT_EQ(Newest(slot.hourHistory, 2), (Series{41, 100}));
  EXPECT_EQ(slot.hourHistory[29], 128u);
}

TEST_F(HistoryTest, SlotsOfAbsentDrivesAdvanceWithZeros) {
  slots[2].minuteHistory[0] = 33;  // from before the drive went away
  clock.minute = 8;
  clock.hour = 11;
  RecordHistory(slots[2], 120, clock);
  EXPECT_EQ(Newest(slots[2].minuteHistory, 4), (Series{0, 0, 33, 0}));
  EXPECT_EQ(slots[2].hourHistory[0], 0u);
}

TEST_F(HistoryTest, FailingClockStampsMinusOneAndRecordsWhenItChanges) {
  slots[3].minuteHistory.fill(40);
  clock.hour = clock.minute = -1;
  clock.readings = 0;
  ResetHistory(slots, clock);
  EXPECT_EQ(clock.readings, 8);  // its own hour and minute for every slot
  EXPECT_EQ(slots[3].minuteHistory, decltype(slot.minuteHistory){});
  EXPECT_EQ(slots[3].minuteStamp, -1);
  EXPECT_EQ(slots[3].hourStamp, -1);
  CycleAt(-1, 44);
  EXPECT_EQ(Minutes(1), (Series{0}));
  clock.hour = 3;
  CycleAt(5, 44);
  EXPECT_EQ(Minutes(2), (Series{44, 0}));
  EXPECT_EQ(slot.hourHistory[0], 44u);
  CycleAt(-1, 45);  // failing after working is a change too
  EXPECT_EQ(Minutes(2), (Series{45, 44}));
}

TEST_F(HistoryTest, HandEditedIntervalsStayInsideTheSeries) {
  // 6,060 seconds and more stand for more minutes than the series holds: it
  // fills with this sample and nothing is written past it.
  decltype(slot.minuteHistory) allThirty;
  allThirty.fill(30);
  for (int32_t interval : {6060, 599999, INT32_MAX}) {
    slot.minuteHistory.fill(20);
    CycleAt(clock.minute == 8 ? 9 : 8, 30, interval);
    EXPECT_EQ(slot.minuteHistory, allThirty) << interval;
    EXPECT_EQ(slot.minuteStamp, clock.minute);
  }
  // A negative interval shifts nothing; element 0 takes the sample.
  slot.minuteHistory.fill(20);
  CycleAt(30, 50, -120);
  CycleAt(31, 51, INT32_MIN);
  EXPECT_EQ(Minutes(3), (Series{51, 20, 20}));
}
