#pragma once
// The parts of a machine a test of the monitor needs but does not look at:
// no volumes, and a clock that stands where the test puts it.

#include <cstdint>
#include <string>
#include <vector>

#include "core/base/clock.h"
#include "core/monitor/volumes.h"

namespace taruk {

class NoVolumes : public Volumes {
 public:
  std::vector<std::wstring> Roots() override { return {}; }
  bool FreeBytesAvailable(const std::wstring&, uint64_t&) override { return false; }
};

class FixedClock : public Clock {
 public:
  int hour = 10;
  int minute = 0;
  int64_t unixSeconds = 1'800'000'000;  // some day in 2027
  int CurrentHour() override { return hour; }
  int CurrentMinute() override { return minute; }
  int64_t UnixSeconds() override { return unixSeconds; }
};

}  // namespace taruk
