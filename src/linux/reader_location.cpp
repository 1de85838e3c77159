#include "linux/reader_location.h"

#include <unistd.h>

#include "core/base/executable_path.h"

namespace taruk {

std::string FindReader(const std::string& executable) { return FindTarukProgram(kReaderName, executable); }

std::string FindTarukProgram(const char* name, const std::string& executable) {
  return FindTarukFile(name, X_OK, executable);
}

std::string FindTarukFile(const char* name, int mode, const std::string& executable) {
  const std::string self = executable.empty() ? RunningExecutablePath() : executable;
  const std::size_t slash = self.rfind('/');
  if (slash == std::string::npos) return {};
  const std::string folder = self.substr(0, slash + 1);
  for (const std::string& candidate : {folder + name, folder + "../libexec/taruk/" + name}) {
    if (access(candidate.c_str(), mode) == 0) return candidate;
  }
  return {};
}

}  // namespace taruk
