// The headless monitor's run on Windows: the cycle on a timed wait for the
// stop request (the console's Ctrl+C, Ctrl+Break, closing, log-off and
// shut-down notices), the alarm actions logged to the console.
#include "cli/platform.h"
#include "core/base/periodic_run.h"
#include "win32/console_alert_platform.h"
#include "win32/power_switch.h"

namespace taruk {

namespace {

class WindowsHeadlessRun : public HeadlessRun {
 public:
  explicit WindowsHeadlessRun(StopSignal stop) : HeadlessRun(stop) {}

  AlertPlatform& Platform() override { return platform; }

  void RunUntilStopped(int periodMs, const std::function<void()>& tick) override {
    RunPeriodicallyUntilStopped(stop, periodMs, tick);
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
