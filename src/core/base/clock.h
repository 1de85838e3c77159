#pragma once

#include <cstdint>

namespace taruk {

// The local wall clock as the history needs it. -1 when the local time cannot
// be had.

class Clock {
 public:
  virtual ~Clock() = default;
  virtual int CurrentHour() = 0;    // 0..23 or -1
  virtual int CurrentMinute() = 0;  // 0..59 or -1
  // Seconds since 1970 UTC, for periods that outlast a run (the self-test
  // schedule); the system's by default, scripted in tests.
  virtual int64_t UnixSeconds();
  // Seconds on a clock that only moves forward, for how long something has
  // lasted (the alarm e-mails' reminders): setting the wall clock or a change
  // of time zone must not make a reminder come early or never.
  virtual int64_t ElapsedSeconds();
};

// The system's local time.
class SystemClock : public Clock {
 public:
  int CurrentHour() override;
  int CurrentMinute() override;
};

}  // namespace taruk
