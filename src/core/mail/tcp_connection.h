#pragma once
// A TCP connection over IPv6 or IPv4 whose every step ends within a time limit. The
// socket stays non-blocking and every wait has its deadline, so no call can
// hang. (BSD sockets on Linux, Winsock on Windows.)

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "core/base/stop_request.h"

namespace taruk {

// The socket's descriptor or Winsock handle; kNoSocket when there is none.
using SocketHandle = std::intptr_t;
constexpr SocketHandle kNoSocket = -1;

// TooLong: more arrived than a reply may hold. Stopped: the stop request
// came during a wait.
enum class NetResult { Ok, Failed, TimedOut, Closed, TooLong, Stopped };

using Deadline = std::chrono::steady_clock::time_point;

inline Deadline DeadlineAfter(std::chrono::milliseconds limit) { return std::chrono::steady_clock::now() + limit; }

// Connects to `host` (a numeric IPv4 or IPv6 address used as it is,
// otherwise a host name whose addresses are tried in the resolver's order
// until one answers) on `port`. On Ok, `socket` holds the connected socket;
// on anything else no socket is left open. `created` tells a failure to make
// the socket apart from a failure to reach the server.
// Every wait below also ends, with Stopped, once the stop request comes.
NetResult ConnectTcp(const std::string& host, uint16_t port, Deadline deadline, SocketHandle& socket, bool& created,
                     StopSignal stop = kNoStopSignal);

// One address of a server as the system's sockets take it (a sockaddr_in or
// sockaddr_in6 with its port).
struct ServerSocketAddress {
  alignas(8) unsigned char bytes[128];
};

// Every address of `host` (a numeric address as it is), IPv6 and IPv4 in the
// resolver's order; Failed when there is none.
NetResult ResolveServer(const std::string& host, uint16_t port, Deadline deadline, StopSignal stop,
                        std::vector<ServerSocketAddress>& addresses);

// One connection attempt; `socket` stays open only on Ok, and `created` is set
// once a socket was made.
NetResult ConnectToAddress(const ServerSocketAddress& address, Deadline deadline, StopSignal stop, SocketHandle& socket,
                           bool& created);

// Hands every byte to the connection. Never raises SIGPIPE: a connection that
// the server closed is Failed.
NetResult SendAll(SocketHandle socket, const std::string& bytes, Deadline deadline, StopSignal stop = kNoStopSignal);

// Appends what arrives, at most `limit` bytes, to `received`: Ok once some
// bytes came, Closed when the server closed the connection.
NetResult ReceiveSome(SocketHandle socket, std::string& received, size_t limit, Deadline deadline,
                      StopSignal stop = kNoStopSignal);

// Waits until the socket can be read (or written), as the calls above do
// between their tries: Ok, TimedOut, Stopped or Failed.
NetResult WaitUntilReady(SocketHandle socket, bool forWriting, Deadline deadline, StopSignal stop = kNoStopSignal);

void CloseSocket(SocketHandle& socket);

// The name this machine gives itself, as bytes; empty when it has none.
std::string MachineHostName();

}  // namespace taruk
