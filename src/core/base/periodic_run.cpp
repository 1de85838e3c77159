#include "core/base/periodic_run.h"

#include <chrono>

namespace taruk {

void RunPeriodicallyUntilStopped(StopSignal stop, int periodMs, const std::function<void()>& tick) {
  using Clock = std::chrono::steady_clock;
  const auto period = std::chrono::milliseconds(periodMs);
  Clock::time_point next = Clock::now() + period;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count();
    if (WaitForStopRequest(stop, left > 0 ? static_cast<int>(left) : 0)) return;
    tick();
    next += period;
    if (next < Clock::now()) next = Clock::now() + period;
  }
}

}  // namespace taruk
