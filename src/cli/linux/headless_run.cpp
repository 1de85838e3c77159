// The headless monitor's run on Linux. SIGTERM, SIGINT and SIGHUP arrive as
// readable data on a descriptor: the waits of a cycle (a silent mail server,
// a stuck reader) poll it and end at once, and Qt's event loop, which D-Bus
// (notifications, logind) needs, ends on it too. SIGHUP as well: a server has
// no terminal whose hang-up should end it without saving.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstring>

#include "cli/linux/headless_alert_platform.h"
#include "cli/platform.h"
#include "core/base/stop_request.h"

namespace taruk {

namespace {

class LinuxHeadlessRun : public HeadlessRun {
 public:
  explicit LinuxHeadlessRun(int stopSignals) : stopSignals(stopSignals) {}
  ~LinuxHeadlessRun() override { close(stopSignals); }

  int Stop() const override { return stopSignals; }
  AlertPlatform& Platform() override { return platform; }

  void RunUntilStopped(int periodMs, const std::function<void()>& tick) override {
    if (StopRequested(stopSignals)) return;
    QSocketNotifier stopNotifier(stopSignals, QSocketNotifier::Read);
    QObject::connect(&stopNotifier, &QSocketNotifier::activated, [] { QCoreApplication::quit(); });
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
      // A stop that came during the last cycle is handled before any other.
      if (StopRequested(stopSignals)) return;
      tick();
    });
    timer.start(periodMs);
    QCoreApplication::exec();
    signalfd_siginfo info{};
    while (read(stopSignals, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    }
  }

 private:
  int stopSignals;
  // D-Bus wants an application object; there is no display.
  int argc = 1;
  char name[6] = "taruk";
  char* argv[2] = {name, nullptr};
  QCoreApplication application{argc, argv};
  HeadlessAlertPlatform platform;
};

}  // namespace

std::unique_ptr<HeadlessRun> StartHeadlessRun(std::string& error) {
  sigset_t stopSet;
  sigemptyset(&stopSet);
  sigaddset(&stopSet, SIGTERM);
  sigaddset(&stopSet, SIGINT);
  sigaddset(&stopSet, SIGHUP);
  // Blocked before any thread starts, so that no helper thread takes them.
  const int failed = pthread_sigmask(SIG_BLOCK, &stopSet, nullptr);
  const int stopSignals = failed ? -1 : signalfd(-1, &stopSet, SFD_CLOEXEC | SFD_NONBLOCK);
  if (stopSignals < 0) {
    error = std::string("taruk: signalfd: ") + std::strerror(failed ? failed : errno);
    return nullptr;
  }
  return std::make_unique<LinuxHeadlessRun>(stopSignals);
}

}  // namespace taruk
