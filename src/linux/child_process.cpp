#include "linux/child_process.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>

#include "core/base/stop_request.h"

namespace taruk {

namespace {

using Clock = std::chrono::steady_clock;

struct Pipe {
  int read = -1;
  int write = -1;
  ~Pipe() {
    if (read >= 0) close(read);
    if (write >= 0) close(write);
  }
  bool Create() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    read = fds[0];
    write = fds[1];
    return true;
  }
  void CloseWrite() {
    close(write);
    write = -1;
  }
};

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Reads what is there; false at end of file or on error.
bool Drain(int fd, std::string& into) {
  char buffer[4096];
  const ssize_t n = read(fd, buffer, sizeof buffer);
  if (n > 0) {
    into.append(buffer, static_cast<std::size_t>(n));
    return true;
  }
  return n < 0 && errno == EINTR;
}

void RecordStatus(int status, ChildResult& result) {
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
}

}  // namespace

ChildResult RunChild(const std::string& program, const std::vector<std::string>& arguments, int timeoutMs,
                     std::size_t maxOutput, int stopFd) {
  ChildResult result;
  if (StopRequested(stopFd)) {
    result.stopped = true;
    return result;
  }
  Pipe out;
  Pipe err;
  if (!out.Create() || !err.Create()) {
    result.startError = errno;
    return result;
  }

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out.write, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err.write, STDERR_FILENO);
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = SpawnHelper(pid, program, actions, argv.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    result.startError = spawned;
    return result;
  }
  out.CloseWrite();
  err.CloseWrite();

  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  bool outOpen = true;
  bool errOpen = true;
  const auto endedEarly = [&] { return result.timedOut || result.outputTooLong || result.stopped; };
  while ((outOpen || errOpen) && !endedEarly()) {
    pollfd fds[3] = {{outOpen ? out.read : -1, POLLIN, 0}, {errOpen ? err.read : -1, POLLIN, 0}, {stopFd, POLLIN, 0}};
    const int left = MillisecondsLeft(deadline);
    if (left == 0) {
      result.timedOut = true;
      break;
    }
    const int ready = poll(fds, 3, left);
    if (ready < 0 && errno != EINTR) break;
    if (ready <= 0) continue;
    if (fds[2].revents) {
      result.stopped = true;
      break;
    }
    if (fds[0].revents) outOpen = Drain(out.read, result.out);
    if (fds[1].revents) errOpen = Drain(err.read, result.err);
    result.outputTooLong = result.out.size() > maxOutput || result.err.size() > maxOutput;
  }

  // Its output is closed; give it what is left of the time to exit.
  int status = 0;
  pid_t reaped = 0;
  while (!endedEarly()) {
    reaped = waitpid(pid, &status, WNOHANG);
    if (reaped < 0 && errno == EINTR) continue;
    if (reaped != 0) break;
    if (MillisecondsLeft(deadline) == 0) {
      result.timedOut = true;
      break;
    }
    if (StopRequested(stopFd)) {
      result.stopped = true;
      break;
    }
    const timespec pause{0, 2 * 1000 * 1000};
    nanosleep(&pause, nullptr);
  }
  if (reaped == pid) {
    RecordStatus(status, result);
    return result;
  }
  if (reaped < 0) return result;  // already reaped elsewhere: its status is lost
  kill(pid, SIGKILL);
  // Returns once a pending device request has ended, which its own time-out bounds.
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return result;
}

int SpawnHelper(pid_t& pid, const std::string& program, const posix_spawn_file_actions_t& actions, char* const argv[]) {
  char* noEnvironment[] = {nullptr};
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv, noEnvironment);
  posix_spawnattr_destroy(&attributes);
  return spawned;
}

std::string ExitStatusText(int status) {
  if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
  return "exit code " + std::to_string(WEXITSTATUS(status));
}

bool ReapedNow(pid_t pid, std::string& how) {
  int status = 0;
  if (pid <= 0 || waitpid(pid, &status, WNOHANG) != pid) return false;
  how = ExitStatusText(status);
  return true;
}

bool WriteAll(int fd, std::string_view text) {
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    written += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace taruk
