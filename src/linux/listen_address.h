#pragma once
// The address given to --metrics-listen: a numeric IPv4 address or a
// bracketed IPv6 one, a colon and a port ("127.0.0.1:9717", "[::1]:9717").
// A name is refused: it may stand for several addresses, and the server
// binds exactly one.

#include <sys/socket.h>

#include <string>

namespace taruk {

struct ListenAddress {
  sockaddr_storage address{};
  socklen_t length = 0;
  std::string text;  // as given
};

// False with a one-line `error` when `text` is not such an address.
bool ParseListenAddress(const std::string& text, ListenAddress& address, std::string& error);

}  // namespace taruk
