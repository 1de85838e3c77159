#include <winsock2.h>

#include "core/mail/tcp_connection.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace taruk {

namespace {

// select cannot wait on the stop event, so a wait is cut into slices and the
// event is looked at between them.
constexpr int kStopCheckMs = 50;

// Winsock is started once for the whole program and left running.
bool WinsockStarted() {
  static const bool started = [] {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

SOCKET AsSocket(SocketHandle socket) { return static_cast<SOCKET>(socket); }

// Whole milliseconds left, rounded up so a wait never ends just short of the
// deadline; 0 once it has passed.
int MillisecondsLeft(Deadline deadline) {
  const auto left = deadline - std::chrono::steady_clock::now();
  if (left <= std::chrono::steady_clock::duration::zero()) return 0;
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return ms > 1'000'000'000 ? 1'000'000'000 : static_cast<int>(ms);
}

enum class Readiness { Read, Write };

// A connect that failed shows in the exception set, not the write set.
NetResult WaitFor(SOCKET socket, Readiness readiness, Deadline deadline, StopSignal stop) {
  for (;;) {
    if (StopRequested(stop)) return NetResult::Stopped;
    const int left = MillisecondsLeft(deadline);
    const int slice = stop == kNoStopSignal ? left : std::min(left, kStopCheckMs);
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(socket, &ready);
    if (readiness == Readiness::Write) FD_SET(socket, &failed);
    timeval wait{slice / 1000, (slice % 1000) * 1000};
    const int count =
        select(0, readiness == Readiness::Read ? &ready : nullptr, readiness == Readiness::Write ? &ready : nullptr,
               readiness == Readiness::Write ? &failed : nullptr, &wait);
    if (count == SOCKET_ERROR) return NetResult::Failed;
    if (count > 0) return NetResult::Ok;  // errors show in the call that follows
    if (left == 0) return NetResult::TimedOut;
  }
}

// getaddrinfo blocks without a limit: it runs on a thread of its own, which
// is left to finish by itself when the deadline or a stop comes first.
struct Lookup {
  std::mutex guard;
  std::condition_variable done;
  bool finished = false;
  std::vector<ServerSocketAddress> addresses;
};

}  // namespace

NetResult ResolveServer(const std::string& host, uint16_t port, Deadline deadline, StopSignal stop,
                        std::vector<ServerSocketAddress>& addresses) {
  if (!WinsockStarted()) return NetResult::Failed;
  auto lookup = std::make_shared<Lookup>();
  try {
    std::thread([lookup, host, port] {
      addrinfo hints{};
      hints.ai_family = AF_UNSPEC;
      hints.ai_socktype = SOCK_STREAM;
      addrinfo* results = nullptr;
      std::vector<ServerSocketAddress> found;
      if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &results) == 0) {
        for (const addrinfo* entry = results; entry; entry = entry->ai_next) {
          if ((entry->ai_family != AF_INET && entry->ai_family != AF_INET6) || !entry->ai_addr ||
              entry->ai_addrlen > sizeof(sockaddr_storage)) {
            continue;
          }
          ServerSocketAddress address{};
          std::memcpy(address.bytes, entry->ai_addr, entry->ai_addrlen);
          found.push_back(address);
        }
        freeaddrinfo(results);
      }
      const std::lock_guard<std::mutex> hold(lookup->guard);
      lookup->addresses = std::move(found);
      lookup->finished = true;
      lookup->done.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return NetResult::Failed;
  }
  std::unique_lock<std::mutex> hold(lookup->guard);
  for (;;) {
    if (lookup->finished) break;
    if (StopRequested(stop)) return NetResult::Stopped;
    const int left = MillisecondsLeft(deadline);
    if (left == 0) return NetResult::TimedOut;
    lookup->done.wait_for(hold, std::chrono::milliseconds(std::min(left, kStopCheckMs)));
  }
  addresses = lookup->addresses;
  return addresses.empty() ? NetResult::Failed : NetResult::Ok;
}

NetResult ConnectToAddress(const ServerSocketAddress& kept, Deadline deadline, StopSignal stop, SocketHandle& connected,
                           bool& created) {
  sockaddr_storage address{};
  std::memcpy(&address, kept.bytes, sizeof address);
  const SOCKET socket = WSASocketW(address.ss_family, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
  if (socket == INVALID_SOCKET) return NetResult::Failed;
  created = true;
  connected = static_cast<SocketHandle>(socket);
  u_long nonBlocking = 1;
  NetResult result = ioctlsocket(socket, FIONBIO, &nonBlocking) == 0 ? NetResult::Ok : NetResult::Failed;
  const int size = address.ss_family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
  if (result == NetResult::Ok && connect(socket, reinterpret_cast<const sockaddr*>(&address), size) == SOCKET_ERROR) {
    if (WSAGetLastError() == WSAEWOULDBLOCK) {
      result = WaitFor(socket, Readiness::Write, deadline, stop);
      int error = 0;
      int errorSize = sizeof error;
      if (result == NetResult::Ok &&
          (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &errorSize) != 0 || error != 0)) {
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
  const BOOL on = TRUE;
  setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  return result;
}

NetResult SendAll(SocketHandle handle, const std::string& bytes, Deadline deadline, StopSignal stop) {
  const SOCKET socket = AsSocket(handle);
  size_t sent = 0;
  while (sent < bytes.size()) {
    const int piece = static_cast<int>(std::min<size_t>(bytes.size() - sent, 1 << 20));
    const int count = send(socket, bytes.data() + sent, piece, 0);
    if (count > 0) {
      sent += static_cast<size_t>(count);
    } else if (count == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
      const NetResult waited = WaitFor(socket, Readiness::Write, deadline, stop);
      if (waited != NetResult::Ok) return waited;
    } else {
      return NetResult::Failed;
    }
  }
  return NetResult::Ok;
}

NetResult ReceiveSome(SocketHandle handle, std::string& received, size_t limit, Deadline deadline, StopSignal stop) {
  const SOCKET socket = AsSocket(handle);
  char buffer[4096];
  const int wanted = static_cast<int>(limit < sizeof buffer ? limit : sizeof buffer);
  if (wanted == 0) return NetResult::Failed;
  for (;;) {
    const int count = recv(socket, buffer, wanted, 0);
    if (count > 0) {
      received.append(buffer, static_cast<size_t>(count));
      return NetResult::Ok;
    }
    if (count == 0) return NetResult::Closed;
    if (WSAGetLastError() != WSAEWOULDBLOCK) return NetResult::Failed;
    const NetResult waited = WaitFor(socket, Readiness::Read, deadline, stop);
    if (waited != NetResult::Ok) return waited;
  }
}

NetResult WaitUntilReady(SocketHandle socket, bool forWriting, Deadline deadline, StopSignal stop) {
  return WaitFor(AsSocket(socket), forWriting ? Readiness::Write : Readiness::Read, deadline, stop);
}

void CloseSocket(SocketHandle& socket) {
  if (socket != kNoSocket) closesocket(AsSocket(socket));
  socket = kNoSocket;
}

std::string MachineHostName() {
  if (!WinsockStarted()) return {};
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

}  // namespace taruk
