#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

extern char** environ;

namespace taruk {

ChildProcess::~ChildProcess() { Stop(); }

bool ChildProcess::Start(const std::vector<std::string>& arguments, const std::string& outputFile,
                         const std::string& errorFile) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outputFile.empty() ? "/dev/null" : outputFile.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, errorFile.empty() ? "/dev/null" : errorFile.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  // The test process may block signals (the monitor does); the helper must
  // not inherit that.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const int result = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (result != 0) pid = -1;
  return result == 0;
}

void ChildProcess::Signal(int signal) {
  if (pid > 0) kill(pid, signal);
}

void ChildProcess::Stop() {
  if (pid <= 0) return;
  kill(pid, SIGCONT);  // a test may have stopped it
  kill(pid, SIGTERM);
  if (Wait(std::chrono::milliseconds(2000)) == -1 && pid > 0) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  pid = -1;
}

int ChildProcess::Wait(std::chrono::milliseconds limit) {
  if (pid <= 0) return -1;
  int status = 0;
  const bool ended = WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, limit);
  if (!ended) return -1;
  pid = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::string RunShell(const std::string& command, int* exitCode) {
  // A mount or a sound server that hangs must fail the test, not stall the
  // whole run: the command is stopped after two minutes (exit code 124).
  std::string quoted = "'";
  for (const char c : command) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  quoted += "'";
  std::string output;
  FILE* pipe = popen(("timeout -k 5 120 /bin/sh -c " + quoted).c_str(), "r");
  if (!pipe) {
    if (exitCode) *exitCode = -1;
    return output;
  }
  char buffer[4096];
  size_t read = 0;
  while ((read = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, read);
  const int status = pclose(pipe);
  if (exitCode) *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return output;
}

}  // namespace taruk
