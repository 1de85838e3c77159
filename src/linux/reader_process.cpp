#include "linux/reader_process.h"

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>

#include "core/base/stop_request.h"
#include "linux/child_process.h"
#include "linux/reader_location.h"

namespace taruk {

namespace {

using Clock = std::chrono::steady_clock;

// How long a reader whose socket closed may take to end before it is killed.
constexpr int kEndingMs = 1000;

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

bool SendAll(int fd, const std::string& text) {
  std::size_t sent = 0;
  while (sent < text.size()) {
    const ssize_t n = send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

ReaderProcess::ReaderProcess(std::string path, int stopFd, std::function<void(const std::string&)> log)
    : path_(std::move(path)), stopFd_(stopFd), log_(std::move(log)) {}

ReaderProcess::~ReaderProcess() {
  if (pid_ > 0) End();
}

int ReaderProcess::Start() {
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return errno;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pair[1], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, pair[1], STDOUT_FILENO);
  char name[] = "taruk-smart-reader";
  char serve[] = "serve";
  char* argv[] = {name, serve, nullptr};
  const int spawned = SpawnHelper(pid_, path_, actions, argv);
  posix_spawn_file_actions_destroy(&actions);
  close(pair[1]);
  if (spawned != 0) {
    close(pair[0]);
    pid_ = -1;
    return spawned;
  }
  socket_ = pair[0];
  if (!ended_.empty()) {
    log_(std::string(kReaderName) + " ended (" + ended_ + "); started again");
    ended_.clear();
  }
  return 0;
}

std::string ReaderProcess::End() {
  close(socket_);
  socket_ = -1;
  int status = 0;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kEndingMs);
  pid_t reaped = 0;
  while ((reaped = waitpid(pid_, &status, WNOHANG)) == 0 && MillisecondsLeft(deadline) > 0) {
    const timespec pause{0, 1000 * 1000};
    nanosleep(&pause, nullptr);
  }
  if (reaped == 0) {
    kill(pid_, SIGKILL);
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
  }
  pid_ = -1;
  return ExitStatusText(status);
}

void ReaderProcess::ReapIfEnded() {
  if (ReapedNow(pid_, ended_)) {
    close(socket_);
    socket_ = -1;
    pid_ = -1;
  }
}

std::vector<ReaderAnswer> ReaderProcess::AskAll(const std::vector<ReaderRequest>& requests, int timeoutMs) {
  std::vector<ReaderAnswer> answers;
  ReaderAnswer failed;
  // The answers not yet given, all as `failed`.
  const auto rest = [&] {
    answers.resize(requests.size(), failed);
    return answers;
  };
  if (StopRequested(stopFd_)) {
    failed.stopped = true;
    return rest();
  }
  ReapIfEnded();
  if (pid_ <= 0) {
    failed.startError = Start();
    if (failed.startError != 0) return rest();
  }
  // `why` empty: the reader ended by itself, and its status says how.
  const auto fail = [&](std::string why) {
    if (!why.empty()) kill(pid_, SIGKILL);
    const std::string how = End();
    ended_ = why.empty() ? how : why;
    if (!failed.stopped && !failed.timedOut) failed.broken = ended_;
    return rest();
  };
  std::string lines;
  for (const ReaderRequest& request : requests) lines += FormatReaderRequest(request);
  if (!SendAll(socket_, lines)) return fail("");

  // Each drive may take `timeoutMs`; the answers may all come at the end.
  const auto deadlineFor = [&] {
    const auto owed = static_cast<long long>(requests.size() - answers.size());
    return Clock::now() + std::chrono::milliseconds(timeoutMs * owed);
  };
  Clock::time_point deadline = deadlineFor();
  std::string received;
  std::size_t used = 0;
  while (answers.size() < requests.size()) {
    ReaderAnswer answer;
    std::size_t length = 0;
    const ReplyState state = ParseReaderReply(std::string_view(received).substr(used), answer.reply, length);
    if (state == ReplyState::Complete) {
      used += length;
      answers.push_back(std::move(answer));
      deadline = deadlineFor();
      continue;
    }
    if (state != ReplyState::Incomplete) return fail("it sent what is not an answer");
    pollfd fds[2] = {{socket_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
    const int left = MillisecondsLeft(deadline);
    if (left == 0) {
      failed.timedOut = true;
      return fail("it took too long");
    }
    const int ready = poll(fds, 2, left);
    if (ready < 0 && errno != EINTR) return fail("");
    if (ready <= 0) continue;
    if (fds[1].revents) {
      failed.stopped = true;
      return fail("taruk was stopping");
    }
    char buffer[16384];
    const ssize_t n = recv(socket_, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return fail("");
    received.append(buffer, static_cast<std::size_t>(n));
  }
  if (used != received.size()) {
    // More than it was asked for: the last answer is not taken either.
    answers.pop_back();
    return fail("it sent what is not an answer");
  }
  return answers;
}

}  // namespace taruk
