// The headless monitor's run on Windows: the cycle on a timed wait for the
// stop request (the console's Ctrl+C, Ctrl+Break, closing, log-off and
// shut-down notices), the alarm actions logged to the console.
#include <chrono>

#include "cli/platform.h"
#include "win32/console_alert_platform.h"
#include "win32/power_switch.h"

namespace taruk {

namespace {

class WindowsHeadlessRun : public HeadlessRun {
 public:
  explicit WindowsHeadlessRun(StopSignal stop) : HeadlessRun(stop) {}

  AlertPlatform& Platform() override { return platform; }

  void RunUntilStopped(int periodMs, const std::function<void()>& tick) override {
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::milliseconds(periodMs);
    Clock::time_point next = Clock::now() + period;
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count();
      if (WaitForStopRequest(stop, left > 0 ? static_cast<int>(left) : 0)) return;
      tick();
      // A cycle longer than the period delays the next one rather than
      // queuing several.
      next += period;
      if (next < Clock::now()) next = Clock::now() + period;
    }
  }

 private:
  SystemPowerSwitch power;
  ConsoleAlertPlatform platform{power};
};

}  // namespace

std::unique_ptr<HeadlessRun> StartHeadlessRun(std::string& error) {
  const StopSignal stop = ListenForStopRequests();
  if (stop == kNoStopSignal) {
    error = "taruk: cannot take the console's stop requests";
    return nullptr;
  }
  return std::make_unique<WindowsHeadlessRun>(stop);
}

}  // namespace taruk
