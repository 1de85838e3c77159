#include "linux/listen_address.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <charconv>
#include <cstring>

namespace taruk {

bool ParseListenAddress(const std::string& text, ListenAddress& address, std::string& error) {
  error =
      "taruk: --metrics-listen wants HOST:PORT with a numeric address, such as 127.0.0.1:9717 or [::1]:9717, not \"" +
      text + "\"";
  const size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  std::string host = text.substr(0, colon);
  const std::string port = text.substr(colon + 1);
  unsigned number = 0;
  const auto [end, problem] = std::from_chars(port.data(), port.data() + port.size(), number);
  if (port.empty() || problem != std::errc() || end != port.data() + port.size() || number == 0 || number > 65535) {
    return false;
  }

  address = ListenAddress{};
  address.text = text;
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
    auto* ip6 = reinterpret_cast<sockaddr_in6*>(&address.address);
    ip6->sin6_family = AF_INET6;
    ip6->sin6_port = htons(static_cast<uint16_t>(number));
    if (inet_pton(AF_INET6, host.substr(1, host.size() - 2).c_str(), &ip6->sin6_addr) != 1) return false;
    address.length = sizeof(sockaddr_in6);
  } else {
    auto* ip4 = reinterpret_cast<sockaddr_in*>(&address.address);
    ip4->sin_family = AF_INET;
    ip4->sin_port = htons(static_cast<uint16_t>(number));
    if (inet_pton(AF_INET, host.c_str(), &ip4->sin_addr) != 1) return false;
    address.length = sizeof(sockaddr_in);
  }
  error.clear();
  return true;
}

}  // namespace taruk
