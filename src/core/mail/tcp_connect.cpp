#include "core/mail/tcp_connection.h"

namespace taruk {

NetResult ConnectTcp(const std::string& host, uint16_t port, Deadline deadline, SocketHandle& connected, bool& created,
                     StopSignal stop) {
  connected = kNoSocket;
  created = false;
  std::vector<ServerSocketAddress> addresses;
  NetResult result = ResolveServer(host, port, deadline, stop, addresses);
  // A name with no address: nothing to make a socket for, and nothing to reach.
  if (result != NetResult::Ok) created = true;
  // The addresses in turn, while time is left: a host whose IPv6 address is
  // unreachable is still reached over IPv4.
  for (const ServerSocketAddress& address : addresses) {
    result = ConnectToAddress(address, deadline, stop, connected, created);
    if (result != NetResult::Failed) break;
  }
  return result;
}

}  // namespace taruk
