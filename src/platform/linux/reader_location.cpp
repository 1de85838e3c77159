#include "platform/linux/reader_location.h"

#include <limits.h>
#include <unistd.h>

namespace {

std::string OwnExecutable() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return {};
  return std::string(path, static_cast<std::size_t>(n));
}

}  // namespace

std::string FindReader(const std::string& executable) {
  const std::string self = executable.empty() ? OwnExecutable() : executable;
  const std::size_t slash = self.rfind('/');
  if (slash == std::string::npos) return {};
  const std::string folder = self.substr(0, slash + 1);
  for (const std::string& candidate : {folder + kReaderName, folder + "../libexec/taruk/" + kReaderName}) {
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}
