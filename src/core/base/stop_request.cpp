#include "core/base/stop_request.h"

#include <poll.h>

#include <cerrno>

namespace taruk {

bool StopRequested(int stopFd) {
  if (stopFd < 0) return false;
  pollfd entry{stopFd, POLLIN, 0};
  int ready = 0;
  do {
    ready = poll(&entry, 1, 0);
  } while (ready < 0 && errno == EINTR);
  return ready > 0 && (entry.revents & POLLIN) != 0;
}

}  // namespace taruk
