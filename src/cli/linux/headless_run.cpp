// The headless monitor's run on Linux: the cycle on a timed wait for the stop
// request (a signalfd for SIGTERM, SIGINT and SIGHUP). No event loop: D-Bus
// (notifications, logind) is called blocking, from desktop/desktop_bus.h.
#include <sys/signalfd.h>
#include <unistd.h>

#include "cli/linux/headless_alert_platform.h"
#include "cli/platform.h"
#include "core/base/periodic_run.h"

namespace taruk {

namespace {

class LinuxHeadlessRun : public HeadlessRun {
 public:
  explicit LinuxHeadlessRun(StopSignal stop) : HeadlessRun(stop) {}

  AlertPlatform& Platform() override { return platform; }

  void RunUntilStopped(int periodMs, const std::function<void()>& tick) override {
    RunPeriodicallyUntilStopped(stop, periodMs, tick);
    signalfd_siginfo info{};
    while (read(static_cast<int>(stop), &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    }
  }

 private:
  HeadlessAlertPlatform platform;
};

}  // namespace

std::unique_ptr<HeadlessRun> StartHeadlessRun(std::string& error) {
  const StopSignal stop = ListenForStopRequests();
  if (stop == kNoStopSignal) {
    error = "taruk: cannot take the stop signals (signalfd)";
    return nullptr;
  }
  return std::make_unique<LinuxHeadlessRun>(stop);
}

}  // namespace taruk
