#include "core/base/clock.h"

#include <chrono>
#include <ctime>

#include "core/base/local_time.h"

namespace taruk {

namespace {

// Each field comes from its own reading of the clock, hour first.
const std::tm* Now(std::tm& storage) {
  const std::time_t now = std::time(nullptr);
  return ToLocalTime(now, storage) ? &storage : nullptr;
}

}  // namespace

int64_t Clock::UnixSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

int64_t Clock::ElapsedSeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

int SystemClock::CurrentHour() {
  std::tm storage{};
  const std::tm* local = Now(storage);
  return local ? local->tm_hour : -1;
}

int SystemClock::CurrentMinute() {
  std::tm storage{};
  const std::tm* local = Now(storage);
  return local ? local->tm_min : -1;
}

}  // namespace taruk
