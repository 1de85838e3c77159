#pragma once
// The few socket calls of the scripted server, for each system (BSD sockets
// on Linux, Winsock on Windows).

#include <cstddef>
#include <cstdint>
#include <string>

namespace taruk {

using TestSocket = std::intptr_t;
constexpr TestSocket kNoTestSocket = -1;

// A listener on 127.0.0.1 on a free port, whose connections get a receive
// window of `window` bytes.
TestSocket ListenOnLoopback(int window, uint16_t& port);
bool WaitReadable(TestSocket socket, int milliseconds);
TestSocket AcceptConnection(TestSocket listener);
// Bytes received, 0 when the peer closed, below 0 on an error.
long long ReceiveBytes(TestSocket socket, char* buffer, std::size_t size);
// Sends all of it, or stops at the first failure.
void SendBytes(TestSocket socket, const std::string& bytes);
// Each send goes out at once as its own segment (no Nagle delay).
void SendWithoutDelay(TestSocket socket);
void CloseTestSocket(TestSocket socket);

}  // namespace taruk
