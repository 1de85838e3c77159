#pragma once
// A TCP connection over IPv4 whose every step ends within a time limit. The
// socket stays non-blocking; waits go through poll, so no call can hang.

#include <chrono>
#include <cstdint>
#include <string>

namespace taruk {

// TooLong: more arrived than a reply may hold. Stopped: the stop descriptor
// turned readable during a wait.
enum class NetResult { Ok, Failed, TimedOut, Closed, TooLong, Stopped };

using Deadline = std::chrono::steady_clock::time_point;

inline Deadline DeadlineAfter(std::chrono::milliseconds limit) {
  return std::chrono::steady_clock::now() + limit;
}

// Connects to `host` (a dotted IPv4 address used as it is, otherwise a host
// name whose first IPv4 address is used) on `port`. On Ok, `fd` holds the
// connected socket; on anything else no socket is left open. `created` tells
// a failure to make the socket apart from a failure to reach the server.
// Every wait below also ends, with Stopped, once `stopFd` (when not -1) is
// readable.
NetResult ConnectTcp(const std::string& host, uint16_t port, Deadline deadline, int& fd, bool& created,
                     int stopFd = -1);

// Hands every byte to the connection. Never raises SIGPIPE: a connection that
// the server closed is Failed.
NetResult SendAll(int fd, const std::string& bytes, Deadline deadline, int stopFd = -1);

// Appends what arrives, at most `limit` bytes, to `received`: Ok once some
// bytes came, Closed when the server closed the connection.
NetResult ReceiveSome(int fd, std::string& received, size_t limit, Deadline deadline, int stopFd = -1);

void CloseSocket(int& fd);

}  // namespace taruk
