#include "core/base/stop_request.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace taruk {

bool StopRequested(StopSignal stop) { return WaitForStopRequest(stop, 0); }

bool WaitForStopRequest(StopSignal stop, int milliseconds) {
  if (stop < 0) return false;
  pollfd entry{static_cast<int>(stop), POLLIN, 0};
  int ready = 0;
  do {
    ready = poll(&entry, 1, milliseconds < 0 ? 0 : milliseconds);
  } while (ready < 0 && errno == EINTR);
  return ready > 0 && (entry.revents & POLLIN) != 0;
}

// The stop signals arrive as readable data on a descriptor. SIGHUP too: a
// server has no terminal whose hang-up should end it without saving.
StopSignal ListenForStopRequests() {
  sigset_t stopSet;
  sigemptyset(&stopSet);
  sigaddset(&stopSet, SIGTERM);
  sigaddset(&stopSet, SIGINT);
  sigaddset(&stopSet, SIGHUP);
  // Blocked before any thread starts, so that no helper thread takes them.
  if (pthread_sigmask(SIG_BLOCK, &stopSet, nullptr) != 0) return kNoStopSignal;
  const int fd = signalfd(-1, &stopSet, SFD_CLOEXEC | SFD_NONBLOCK);
  return fd < 0 ? kNoStopSignal : fd;
}

// Readable once written to, as the signalfd is once a signal came.
StopSignal MakeStopSignal() {
  const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  return fd < 0 ? kNoStopSignal : fd;
}

void RaiseStopSignal(StopSignal stop) {
  if (stop < 0) return;
  const uint64_t one = 1;
  while (write(static_cast<int>(stop), &one, sizeof one) < 0 && errno == EINTR) {
  }
}

void CloseStopSignal(StopSignal stop) {
  if (stop >= 0) close(static_cast<int>(stop));
}

}  // namespace taruk
