#include "support/test_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace taruk {

TestSocket ListenOnLoopback(int window, uint16_t& port) {
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener < 0) return kNoTestSocket;
  setsockopt(listener, SOL_SOCKET, SO_RCVBUF, &window, sizeof window);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(listener, 4) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    close(listener);
    return kNoTestSocket;
  }
  port = ntohs(address.sin_port);
  return listener;
}

bool WaitReadable(TestSocket socket, int milliseconds) {
  pollfd entry{static_cast<int>(socket), POLLIN, 0};
  return poll(&entry, 1, milliseconds) > 0;
}

TestSocket AcceptConnection(TestSocket listener) {
  const int fd = accept4(static_cast<int>(listener), nullptr, nullptr, SOCK_CLOEXEC);
  return fd < 0 ? kNoTestSocket : fd;
}

long long ReceiveBytes(TestSocket socket, char* buffer, std::size_t size) {
  return recv(static_cast<int>(socket), buffer, size, 0);
}

void SendBytes(TestSocket socket, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t count = send(static_cast<int>(socket), bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (count <= 0) return;
    sent += static_cast<size_t>(count);
  }
}

void SendWithoutDelay(TestSocket socket) {
  const int on = 1;
  setsockopt(static_cast<int>(socket), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

void CloseTestSocket(TestSocket socket) {
  if (socket >= 0) close(static_cast<int>(socket));
}

}  // namespace taruk
