#include <winsock2.h>

#include "support/test_socket.h"

#include <ws2tcpip.h>

namespace taruk {

namespace {

bool WinsockStarted() {
  static const bool started = [] {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

SOCKET AsSocket(TestSocket socket) { return static_cast<SOCKET>(socket); }

}  // namespace

TestSocket ListenOnLoopback(int window, uint16_t& port) {
  if (!WinsockStarted()) return kNoTestSocket;
  const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener == INVALID_SOCKET) return kNoTestSocket;
  setsockopt(listener, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&window), sizeof window);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int size = sizeof address;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(listener, 4) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    closesocket(listener);
    return kNoTestSocket;
  }
  port = ntohs(address.sin_port);
  return static_cast<TestSocket>(listener);
}

bool WaitReadable(TestSocket socket, int milliseconds) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(AsSocket(socket), &readable);
  timeval wait{milliseconds / 1000, (milliseconds % 1000) * 1000};
  return select(0, &readable, nullptr, nullptr, &wait) > 0;
}

TestSocket AcceptConnection(TestSocket listener) {
  const SOCKET accepted = accept(AsSocket(listener), nullptr, nullptr);
  if (accepted == INVALID_SOCKET) return kNoTestSocket;
  // A client that stopped reading and closed may leave no reset behind under
  // Wine: the server's send then gives up instead of holding the test.
  const DWORD sendLimitMs = 5000;
  setsockopt(accepted, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&sendLimitMs), sizeof sendLimitMs);
  return static_cast<TestSocket>(accepted);
}

long long ReceiveBytes(TestSocket socket, char* buffer, std::size_t size) {
  return recv(AsSocket(socket), buffer, static_cast<int>(size), 0);
}

void SendBytes(TestSocket socket, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const int count = send(AsSocket(socket), bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
    if (count <= 0) return;
    sent += static_cast<size_t>(count);
  }
}

void SendWithoutDelay(TestSocket socket) {
  const BOOL on = TRUE;
  setsockopt(AsSocket(socket), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
}

void CloseTestSocket(TestSocket socket) {
  if (socket != kNoTestSocket) closesocket(AsSocket(socket));
}

}  // namespace taruk
