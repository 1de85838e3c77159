#pragma once

namespace taruk {

// The local wall clock as the history needs it. -1 when the local time cannot
// be had.

class Clock {
 public:
  virtual ~Clock() = default;
  virtual int CurrentHour() = 0;    // 0..23 or -1
  virtual int CurrentMinute() = 0;  // 0..59 or -1
};

// The system's local time.
class SystemClock : public Clock {
 public:
  int CurrentHour() override;
  int CurrentMinute() override;
};

}  // namespace taruk
