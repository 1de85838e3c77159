#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "app/history.h"

namespace {

// A wall clock the test sets; every reading is counted.
class SetClock : public Clock {
 public:
  int hour = 10;
  int minute = 0;
  int readings = 0;
  int CurrentHour() override {
    ++readings;
    return hour;
  }
  int CurrentMinute() override {
    ++readings;
    return minute;
  }
};

// The first `n` minute elements, newest first.
std::vector<uint32_t> Minutes(const DriveSlot& slot, size_t n) {
  return {slot.minuteHistory.begin(), slot.minuteHistory.begin() + static_cast<std::ptrdiff_t>(n)};
}

class HistoryTest : public testing::Test {
 protected:
  SetClock clock;
  DriveSlots slots;

  void SetUp() override {
    clock.minute = 7;
    ResetHistory(slots, clock);
  }

  // One monitoring cycle for slot 0 at the given minute.
  void CycleAt(int minute, uint32_t temperature, int32_t pollInterval) {
    clock.minute = minute;
    slots[0].temperature = temperature;
    RecordHistory(slots[0], pollInterval, clock);
  }
};

}  // namespace

TEST_F(HistoryTest, ResetClearsEverySlotAndStampsTheStartTime) {
  SetClock start;
  start.hour = 23;
  start.minute = 59;
  DriveSlots dirty;
  for (DriveSlot& slot : dirty) {
    slot.model = L"old";
    slot.capacityGb = 80;
    slot.temperature = 50;
    slot.attributes[3].id = 194;
    slot.minuteHistory.fill(40);
    slot.hourHistory.fill(41);
  }
  ResetHistory(dirty, start);
  EXPECT_EQ(start.readings, 8);  // its own hour and minute for every slot
  for (const DriveSlot& slot : dirty) {
    EXPECT_FALSE(slot.IsPresent());
    EXPECT_EQ(slot.model, L"");
    EXPECT_EQ(slot.temperature, 0u);
    EXPECT_EQ(slot.attributes[3].id, 0);
    EXPECT_TRUE(std::all_of(slot.minuteHistory.begin(), slot.minuteHistory.end(),
                            [](uint32_t v) { return v == 0; }));
    EXPECT_TRUE(std::all_of(slot.hourHistory.begin(), slot.hourHistory.end(),
                            [](uint32_t v) { return v == 0; }));
    EXPECT_EQ(slot.hourStamp, 23);
    EXPECT_EQ(slot.minuteStamp, 59);
  }
}

TEST_F(HistoryTest, FirstSampleWaitsForTheFirstNewMinute) {
  CycleAt(7, 40, 60);  // still the start minute
  EXPECT_EQ(Minutes(slots[0], 2), (std::vector<uint32_t>{0, 0}));
  CycleAt(8, 41, 60);
  CycleAt(9, 42, 60);
  EXPECT_EQ(Minutes(slots[0], 3), (std::vector<uint32_t>{42, 41, 0}));
  EXPECT_EQ(slots[0].minuteStamp, 9);
  // Only the minute of the hour is compared: the same minute an hour later
  // records nothing.
  clock.hour = 11;
  CycleAt(9, 43, 60);
  EXPECT_EQ(Minutes(slots[0], 3), (std::vector<uint32_t>{42, 41, 0}));
}

TEST_F(HistoryTest, FiveMinuteIntervalWritesFiveEqualSamples) {
  CycleAt(8, 40, 300);
  CycleAt(13, 45, 300);
  EXPECT_EQ(Minutes(slots[0], 11),
            (std::vector<uint32_t>{45, 45, 45, 45, 45, 40, 40, 40, 40, 40, 0}));
  // A part minute counts for nothing: 90 seconds stands for one minute.
  CycleAt(14, 50, 90);
  EXPECT_EQ(Minutes(slots[0], 3), (std::vector<uint32_t>{50, 45, 45}));
}

TEST_F(HistoryTest, ShortIntervalRecordsOnlyTheFirstCycleOfEachMinute) {
  for (int cycle = 0; cycle < 12; ++cycle) {
    CycleAt(8 + cycle / 6, 30 + static_cast<uint32_t>(cycle), 10);
  }
  EXPECT_EQ(Minutes(slots[0], 3), (std::vector<uint32_t>{36, 30, 0}));
}

TEST_F(HistoryTest, OldestMinuteFallsOffTheEnd) {
  for (int cycle = 1; cycle <= 101; ++cycle) CycleAt((7 + cycle) % 60, static_cast<uint32_t>(cycle), 60);
  EXPECT_EQ(slots[0].minuteHistory[0], 101u);
  EXPECT_EQ(slots[0].minuteHistory[99], 2u);
}

TEST_F(HistoryTest, NewClockHourWritesHourElementZeroAndDropsTheOldest) {
  for (uint32_t i = 0; i < 30; ++i) slots[0].hourHistory[i] = 100 + i;
  clock.hour = 11;
  CycleAt(8, 41, 60);
  EXPECT_EQ(slots[0].hourHistory[0], 41u);
  EXPECT_EQ(slots[0].hourHistory[1], 100u);
  EXPECT_EQ(slots[0].hourHistory[29], 128u);  // 129 dropped
  EXPECT_EQ(slots[0].hourStamp, 11);
  CycleAt(9, 55, 60);  // same hour: the hour series stays
  EXPECT_EQ(slots[0].hourHistory[0], 41u);
  EXPECT_EQ(slots[0].hourHistory[1], 100u);
}

TEST_F(HistoryTest, SlotsOfAbsentDrivesAdvanceWithZeros) {
  slots[2].minuteHistory[0] = 33;  // a sample from before the drive vanished
  clock.minute = 8;
  clock.hour = 11;
  RecordHistory(slots[2], 120, clock);
  EXPECT_EQ(Minutes(slots[2], 4), (std::vector<uint32_t>{0, 0, 33, 0}));
  EXPECT_EQ(slots[2].hourHistory[0], 0u);
  EXPECT_EQ(slots[2].minuteStamp, 8);
}

TEST_F(HistoryTest, FailingClockStampsMinusOneAndRecordsWhenItChanges) {
  SetClock broken;
  broken.hour = -1;
  broken.minute = -1;
  ResetHistory(slots, broken);
  EXPECT_EQ(slots[0].minuteStamp, -1);
  EXPECT_EQ(slots[0].hourStamp, -1);
  slots[0].temperature = 44;
  RecordHistory(slots[0], 60, broken);
  EXPECT_EQ(slots[0].minuteHistory[0], 0u);  // -1 again: nothing changed
  broken.minute = 5;
  broken.hour = 3;
  RecordHistory(slots[0], 60, broken);
  EXPECT_EQ(Minutes(slots[0], 2), (std::vector<uint32_t>{44, 0}));
  EXPECT_EQ(slots[0].hourHistory[0], 44u);
  broken.minute = -1;  // failing after working counts as a change
  slots[0].temperature = 45;
  RecordHistory(slots[0], 60, broken);
  EXPECT_EQ(Minutes(slots[0], 2), (std::vector<uint32_t>{45, 44}));
  EXPECT_EQ(slots[0].minuteStamp, -1);
}

TEST_F(HistoryTest, HandEditedIntervalsStayInsideTheSeries) {
  slots[0].minuteHistory.fill(20);
  // 6,060 seconds and more ask for 101 minutes or more: the whole series is
  // filled with this sample and nothing lies beyond it.
  for (int32_t interval : {6060, 6119, 599999, INT32_MAX}) {
    CycleAt(clock.minute == 8 ? 9 : 8, static_cast<uint32_t>(interval % 97), interval);
    EXPECT_TRUE(std::all_of(slots[0].minuteHistory.begin(), slots[0].minuteHistory.end(),
                            [&](uint32_t v) { return v == static_cast<uint32_t>(interval % 97); }))
        << interval;
  }
  // A negative interval shifts nothing; element 0 takes the sample.
  slots[0].minuteHistory.fill(20);
  CycleAt(30, 50, -120);
  EXPECT_EQ(Minutes(slots[0], 3), (std::vector<uint32_t>{50, 20, 20}));
  CycleAt(31, 51, INT32_MIN);
  EXPECT_EQ(Minutes(slots[0], 3), (std::vector<uint32_t>{51, 20, 20}));
}
