#include "support/scripted_server.h"

#include <chrono>

#include "support/test_socket.h"

namespace taruk {

namespace {

constexpr int WaitLimitMs = 10'000;

bool WaitLong(TestSocket socket) { return WaitReadable(socket, WaitLimitMs); }

}  // namespace

ScriptedServer::~ScriptedServer() {
  if (player.joinable()) player.join();
  CloseTestSocket(listener);
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
  // A small receive window lets a stalled server push back on the client
  // soon. The accepted connection inherits it.
  listener = ListenOnLoopback(4096, port);
  if (listener == kNoTestSocket) return false;
  player = std::thread([this] { Play(); });
  return true;
}

std::string ScriptedServer::Finish() {
  if (player.joinable()) player.join();
  std::lock_guard lock(guard);
  return received;
}

std::string ScriptedServer::Received() {
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
bool ScriptedServer::ReadUntil(TestSocket fd, const std::string& marker, size_t& searchFrom) {
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

bool ScriptedServer::ReceiveMore(TestSocket fd) {
  if (!WaitLong(fd)) return false;
  char buffer[4096];
  const long long count = ReceiveBytes(fd, buffer, sizeof buffer);
  std::lock_guard lock(guard);
  if (count == 0) clientClosed = true;
  if (count <= 0) return false;
  received.append(buffer, static_cast<size_t>(count));
  return true;
}

void ScriptedServer::Play() {
  if (!WaitLong(listener)) return;
  const TestSocket fd = AcceptConnection(listener);
  if (fd == kNoTestSocket) return;
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
        SendWithoutDelay(fd);
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
  CloseTestSocket(fd);
}

}  // namespace taruk
