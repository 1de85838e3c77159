#pragma once
// A clock that always reads the same hour and minute.

#include "app/clock.h"

class FixedClock : public Clock {
 public:
  FixedClock(int hour, int minute) : hour(hour), minute(minute) {}
  int CurrentHour() override { return hour; }
  int CurrentMinute() override { return minute; }
  int hour;
  int minute;
};
