#pragma once
// Runs a helper program with an empty environment and nothing on its
// standard input, collects what it writes, and stops it when it takes too long.

#include <spawn.h>
#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace taruk {

struct ChildResult {
  int startError = 0;          // errno when the program could not be started
  bool timedOut = false;       // killed after the time-out
  bool outputTooLong = false;  // killed for writing more than allowed
  bool stopped = false;        // killed, or never started, for a stop request
  int exitCode = -1;           // when it exited by itself
  int signal = 0;              // when a signal ended it
  std::string out;
  std::string err;
};

// `arguments` includes the program's name (argv[0]). Output beyond
// `maxOutput` bytes on either stream ends the child, and so does `stopFd`
// turning readable (core/base/stop_request.h).
ChildResult RunChild(const std::string& program, const std::vector<std::string>& arguments, int timeoutMs,
                     std::size_t maxOutput = 1 << 20, int stopFd = -1);

// posix_spawn with an empty environment and no signal blocked: the headless
// monitor blocks its stop signals to read them from a descriptor, and a
// helper must not inherit that. Returns posix_spawn's error number.
int SpawnHelper(pid_t& pid, const std::string& program, const posix_spawn_file_actions_t& actions, char* const argv[]);

// How a child ended, from its wait status: "exit code 0" or "signal 9".
std::string ExitStatusText(int status);

// Reaps `pid` if it has ended, without waiting, and says how in `how`.
bool ReapedNow(pid_t pid, std::string& how);

// Writes all of `text`, through EINTR and short writes.
bool WriteAll(int fd, std::string_view text);

}  // namespace taruk
