#include "support/scripted_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace taruk {

namespace {

constexpr int WaitLimitMs = 10'000;

bool WaitReadable(int fd) {
  pollfd entry{fd, POLLIN, 0};
  return poll(&entry, 1, WaitLimitMs) > 0;
}

void SendBytes(int fd, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t count = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (count <= 0) return;
    sent += static_cast<size_t>(count);
  }
}

}  // namespace

ScriptedServer::~ScriptedServer() {
  if (player.joinable()) player.join();
  if (listener >= 0) close(listener);
}

ScriptedServer& ScriptedServer::Reply(std::string bytes) {
  std::lock_guard lock(guard);
  script.push_back({StepKind::Reply, std::move(bytes)});
  return *this;
}

ScriptedServer& ScriptedServer::ReplyByteByByte(std::string bytes) {
  std::lock_guard lock(guard);
  script.push_back({StepKind::ReplyByteByByte, std::move(bytes)});
  return *this;
}

ScriptedServer& ScriptedServer::AwaitLine() {
  std::lock_guard lock(guard);
  script.push_back({StepKind::AwaitLine, {}});
  return *this;
}

ScriptedServer& ScriptedServer::AwaitData() {
  std::lock_guard lock(guard);
  script.push_back({StepKind::AwaitData, {}});
  return *this;
}

ScriptedServer& ScriptedServer::HangUp() {
  std::lock_guard lock(guard);
  script.push_back({StepKind::HangUp, {}});
  return *this;
}

ScriptedServer& ScriptedServer::Stall() {
  std::lock_guard lock(guard);
  script.push_back({StepKind::Stall, {}});
  return *this;
}

bool ScriptedServer::Start() {
  listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener < 0) return false;
  // A small receive window lets a stalled server push back on the client
  // soon. The accepted connection inherits it.
  const int window = 4096;
  setsockopt(listener, SOL_SOCKET, SO_RCVBUF, &window, sizeof window);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(listener, 4) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    return false;
  }
  port = ntohs(address.sin_port);
  player = std::thread([this] { Play(); });
  return true;
}

std::string ScriptedServer::Finish() {
  if (player.joinable()) player.join();
  std::lock_guard lock(guard);
  return received;
}

bool ScriptedServer::Accepted() {
  std::lock_guard lock(guard);
  return accepted;
}

bool ScriptedServer::ClientClosed() {
  std::lock_guard lock(guard);
  return clientClosed;
}

void ScriptedServer::Release() {
  std::lock_guard lock(guard);
  isReleased = true;
  released.notify_all();
}

// Reads until `marker` has arrived behind `searchFrom`; the search resumes
// behind it next time.
bool ScriptedServer::ReadUntil(int fd, const std::string& marker, size_t& searchFrom) {
  for (;;) {
    {
      std::lock_guard lock(guard);
      const size_t found = received.find(marker, searchFrom);
      if (found != std::string::npos) {
        searchFrom = found + marker.size();
        return true;
      }
    }
    if (!ReceiveMore(fd)) return false;
  }
}

bool ScriptedServer::ReceiveMore(int fd) {
  if (!WaitReadable(fd)) return false;
  char buffer[4096];
  const ssize_t count = recv(fd, buffer, sizeof buffer, 0);
  std::lock_guard lock(guard);
  if (count == 0) clientClosed = true;
  if (count <= 0) return false;
  received.append(buffer, static_cast<size_t>(count));
  return true;
}

void ScriptedServer::Play() {
  if (!WaitReadable(listener)) return;
  const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return;
  std::vector<Step> steps;
  {
    std::lock_guard lock(guard);
    accepted = true;
    steps = script;
  }
  size_t searchFrom = 0;
  bool open = true;
  for (const Step& step : steps) {
    if (!open) break;
    switch (step.kind) {
      case StepKind::Reply:
        SendBytes(fd, step.bytes);
        break;
      case StepKind::ReplyByteByByte: {
        // Without Nagle's delay and with a pause, each byte is a segment of
        // its own.
        const int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        for (const char byte : step.bytes) {
          SendBytes(fd, std::string(1, byte));
          std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        break;
      }
      case StepKind::AwaitLine:
        open = ReadUntil(fd, "\r\n", searchFrom);
        break;
      case StepKind::AwaitData:
        open = ReadUntil(fd, "\r\n.\r\n", searchFrom);
        break;
      case StepKind::HangUp:
        open = false;
        break;
      case StepKind::Stall: {
        std::unique_lock lock(guard);
        released.wait_for(lock, std::chrono::milliseconds(WaitLimitMs), [this] { return isReleased; });
        break;
      }
    }
  }
  // Whatever the client still sends, up to its closing, is recorded too.
  while (open && ReceiveMore(fd)) {
  }
  close(fd);
}

}  // namespace taruk
