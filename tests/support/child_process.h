#pragma once
// Real helper processes for tests (D-Bus daemons, a sound server, a mail
// server): started directly with posix_spawn, so the PID is the process
// itself, and always stopped by that PID when the object goes away.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "support/scratch_dir.h"  // ReadFileBytes, WriteFileBytes

namespace taruk {

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Runs `arguments` (the first is looked up in PATH) with the test's
  // environment; standard output and error go to the given files (or
  // /dev/null when empty).
  bool Start(const std::vector<std::string>& arguments, const std::string& outputFile = "",
             const std::string& errorFile = "");
  pid_t Pid() const { return pid; }
  void Signal(int signal);
  // SIGTERM, then SIGKILL after two seconds; waits for the end.
  void Stop();
  // Waits for the process to end by itself; its exit code, or -1 when it did
  // not end within `limit` (it is then stopped) or was killed by a signal.
  int Wait(std::chrono::milliseconds limit);

 private:
  pid_t pid = -1;
};

// Polls `condition` every 20 ms until it holds or `limit` passes.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit);

// Runs a shell command and returns its standard output; `exitCode` gets its
// status. A command still running after two minutes is stopped.
std::string RunShell(const std::string& command, int* exitCode = nullptr);

}  // namespace taruk
