#include "core/mail/tcp_connection.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include "core/base/stop_request.h"

namespace taruk {

namespace {

constexpr int kStopCheckMs = 100;

// Whole milliseconds left, rounded up so a wait never ends just short of the
// deadline; 0 once it has passed.
int MillisecondsLeft(Deadline deadline) {
  const auto left = deadline - std::chrono::steady_clock::now();
  if (left <= std::chrono::steady_clock::duration::zero()) return 0;
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return ms > 1'000'000'000 ? 1'000'000'000 : static_cast<int>(ms);
}

NetResult WaitFor(int fd, short events, Deadline deadline, StopSignal stop) {
  for (;;) {
    pollfd entries[2] = {{fd, events, 0}, {static_cast<int>(stop), POLLIN, 0}};
    const int ready = poll(entries, 2, MillisecondsLeft(deadline));
    if (ready > 0 && entries[1].revents != 0) return NetResult::Stopped;
    if (ready > 0) return NetResult::Ok;  // errors show in the call that follows
    if (ready == 0) return NetResult::TimedOut;
    if (errno != EINTR) return NetResult::Failed;
  }
}

// The lookup runs on the C library's helper thread (getaddrinfo_a), so a
// resolver that never answers cannot hold the caller past the deadline.
struct LookupRequest {
  std::string name;
  addrinfo hints{};
  gaicb block{};
};

}  // namespace

NetResult ResolveServer(const std::string& host, uint16_t port, Deadline deadline, StopSignal stop,
                        std::vector<ServerSocketAddress>& addresses) {
  auto* request = new LookupRequest{host, {}, {}};
  request->hints.ai_family = AF_UNSPEC;
  request->hints.ai_socktype = SOCK_STREAM;
  request->block.ar_name = request->name.c_str();
  request->block.ar_request = &request->hints;
  gaicb* list[] = {&request->block};
  if (getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr) != 0) {
    delete request;
    return NetResult::Failed;
  }
  // The lookup can't be polled: a stop request is looked at ten times a second.
  bool stopped = false;
  while (gai_error(&request->block) == EAI_INPROGRESS) {
    stopped = StopRequested(stop);
    const int left = std::min(MillisecondsLeft(deadline), kStopCheckMs);
    if (left == 0 || stopped) break;
    const timespec wait{left / 1000, (left % 1000) * 1'000'000L};
    gai_suspend(list, 1, &wait);
  }

  int status = gai_error(&request->block);
  if (status == EAI_INPROGRESS) {
    if (gai_cancel(&request->block) == EAI_NOTCANCELED) {
      // The helper thread still writes into the request: it is left to it.
      return stopped ? NetResult::Stopped : NetResult::TimedOut;
    }
    status = gai_error(&request->block);
    if (status == 0) freeaddrinfo(request->block.ar_result);
    delete request;
    return stopped ? NetResult::Stopped : NetResult::TimedOut;
  }
  if (status == 0) {
    for (const addrinfo* entry = request->block.ar_result; entry; entry = entry->ai_next) {
      if ((entry->ai_family != AF_INET && entry->ai_family != AF_INET6) || !entry->ai_addr ||
          entry->ai_addrlen > sizeof(sockaddr_storage)) {
        continue;
      }
      sockaddr_storage address{};
      std::memcpy(&address, entry->ai_addr, entry->ai_addrlen);
      if (address.ss_family == AF_INET) {
        reinterpret_cast<sockaddr_in&>(address).sin_port = htons(port);
      } else {
        reinterpret_cast<sockaddr_in6&>(address).sin6_port = htons(port);
      }
      ServerSocketAddress kept{};
      std::memcpy(kept.bytes, &address, sizeof address);
      addresses.push_back(kept);
    }
    freeaddrinfo(request->block.ar_result);
  }
  delete request;
  return addresses.empty() ? NetResult::Failed : NetResult::Ok;
}

NetResult ConnectToAddress(const ServerSocketAddress& kept, Deadline deadline, StopSignal stop, SocketHandle& connected,
                           bool& created) {
  sockaddr_storage address{};
  std::memcpy(&address, kept.bytes, sizeof address);
  const int fd = socket(address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  connected = fd;
  if (fd < 0) return NetResult::Failed;
  created = true;
  const socklen_t size = address.ss_family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
  NetResult result = NetResult::Ok;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), size) != 0) {
    if (errno == EINPROGRESS || errno == EINTR) {
      result = WaitFor(fd, POLLOUT, deadline, stop);
      int error = 0;
      socklen_t errorSize = sizeof error;
      if (result == NetResult::Ok && (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &errorSize) != 0 || error != 0)) {
        result = NetResult::Failed;
      }
    } else {
      result = NetResult::Failed;
    }
  }
  if (result != NetResult::Ok) {
    CloseSocket(connected);
    return result;
  }
  // Each command waits for its reply anyway; holding back a small piece for
  // an acknowledgement that the server delays only costs time.
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return result;
}

NetResult SendAll(SocketHandle socket, const std::string& bytes, Deadline deadline, StopSignal stop) {
  const int fd = static_cast<int>(socket);
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t count = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (count > 0) {
      sent += static_cast<size_t>(count);
    } else if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      const NetResult waited = WaitFor(fd, POLLOUT, deadline, stop);
      if (waited != NetResult::Ok) return waited;
    } else if (count < 0 && errno == EINTR) {
      continue;
    } else {
      return NetResult::Failed;
    }
  }
  return NetResult::Ok;
}

NetResult ReceiveSome(SocketHandle socket, std::string& received, size_t limit, Deadline deadline, StopSignal stop) {
  const int fd = static_cast<int>(socket);
  char buffer[4096];
  const size_t wanted = limit < sizeof buffer ? limit : sizeof buffer;
  if (wanted == 0) return NetResult::Failed;
  for (;;) {
    const ssize_t count = recv(fd, buffer, wanted, 0);
    if (count > 0) {
      received.append(buffer, static_cast<size_t>(count));
      return NetResult::Ok;
    }
    if (count == 0) return NetResult::Closed;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      const NetResult waited = WaitFor(fd, POLLIN, deadline, stop);
      if (waited != NetResult::Ok) return waited;
    } else if (errno != EINTR) {
      return NetResult::Failed;
    }
  }
}

NetResult WaitUntilReady(SocketHandle socket, bool forWriting, Deadline deadline, StopSignal stop) {
  return WaitFor(static_cast<int>(socket), forWriting ? POLLOUT : POLLIN, deadline, stop);
}

void CloseSocket(SocketHandle& socket) {
  if (socket >= 0) close(static_cast<int>(socket));
  socket = kNoSocket;
}

std::string MachineHostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

}  // namespace taruk
