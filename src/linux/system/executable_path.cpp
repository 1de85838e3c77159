#include "core/base/executable_path.h"

#include <stdlib.h>
#include <unistd.h>

#include <vector>

namespace taruk {

namespace {
constexpr size_t kLongestPath = 1 << 16;
}  // namespace

std::string RunningExecutablePath() {
  // The monitor's modes run as programs of their own that `taruk` execs
  // (taruk-window, taruk-headless in libexec/taruk); the program whose
  // folder holds alarm.wav and that autostart starts is still taruk, and it
  // leaves its path here.
  if (const char* program = getenv(kProgramVariable); program && program[0] == '/') return program;
  // readlink does not say how long the path is; grow until it fits rather
  // than cutting a deep path short.
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0) return {};
    if (static_cast<size_t>(length) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(length));
    if (buffer.size() >= kLongestPath) return {};
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace taruk
