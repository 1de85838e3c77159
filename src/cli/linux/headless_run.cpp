// The headless monitor's run on Linux: Qt's event loop, which D-Bus
// (notifications, logind) needs, with the cycle on a timer and the stop
// request (a signalfd for SIGTERM, SIGINT and SIGHUP) watched beside it.
#include <sys/signalfd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include "cli/linux/headless_alert_platform.h"
#include "cli/platform.h"

namespace taruk {

namespace {

class LinuxHeadlessRun : public HeadlessRun {
 public:
  explicit LinuxHeadlessRun(StopSignal stop) : HeadlessRun(stop) {}

  AlertPlatform& Platform() override { return platform; }

  void RunUntilStopped(int periodMs, const std::function<void()>& tick) override {
    if (StopRequested(stop)) return;
    QSocketNotifier stopNotifier(static_cast<int>(stop), QSocketNotifier::Read);
    QObject::connect(&stopNotifier, &QSocketNotifier::activated, [] { QCoreApplication::quit(); });
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
      // A stop that came during the last cycle is handled before any other.
      if (StopRequested(stop)) return;
      tick();
    });
    timer.start(periodMs);
    QCoreApplication::exec();
    signalfd_siginfo info{};
    while (read(static_cast<int>(stop), &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    }
  }

 private:
  // D-Bus wants an application object; there is no display.
  int argc = 1;
  char name[6] = "taruk";
  char* argv[2] = {name, nullptr};
  QCoreApplication application{argc, argv};
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
