#pragma once
// The tests' one set of fakes for the machine around the monitor: a clock
// that stands where the test puts it, and volumes with the free space the
// test gives them (none by default).

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/base/clock.h"
#include "core/drive/volumes.h"

namespace taruk {

// Volumes with fixed free space; a root without an entry fails its query.
class TableVolumes : public Volumes {
 public:
  std::vector<std::wstring> roots;
  std::map<std::wstring, uint64_t> freeBytes;
  int queries = 0;  // Roots() and FreeBytesAvailable() together

  void Add(const std::wstring& root, uint64_t bytes) {
    roots.push_back(root);
    freeBytes[root] = bytes;
  }
  std::vector<std::wstring> Roots() override {
    ++queries;
    return roots;
  }
  bool FreeBytesAvailable(const std::wstring& root, uint64_t& bytes) override {
    ++queries;
    const auto found = freeBytes.find(root);
    if (found == freeBytes.end()) return false;
    bytes = found->second;
    return true;
  }
};

// The machine without volumes.
using NoVolumes = TableVolumes;

class FixedClock : public Clock {
 public:
  int hour = 10;
  int minute = 0;
  int64_t unixSeconds = 1'800'000'000;  // some day in 2027
  int readings = 0;                     // hour and minute reads together

  FixedClock() = default;
  FixedClock(int hourOfDay, int minuteOfHour) : hour(hourOfDay), minute(minuteOfHour) {}

  // Moves the wall clock on, across the hour and the day.
  void Advance(int minutes) {
    const int total = ((hour * 60 + minute + minutes) % (24 * 60) + 24 * 60) % (24 * 60);
    hour = total / 60;
    minute = total % 60;
    unixSeconds += int64_t{minutes} * 60;
  }
  int CurrentHour() override { return ++readings, hour; }
  int CurrentMinute() override { return ++readings, minute; }
  int64_t UnixSeconds() override { return unixSeconds; }
};

}  // namespace taruk
