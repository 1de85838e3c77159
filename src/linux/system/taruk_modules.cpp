#include "linux/system/taruk_modules.h"

#include <dlfcn.h>
#include <unistd.h>

#include "core/base/executable_path.h"

namespace taruk {

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

void* TarukModuleSymbol(const char* name, const char* symbol, std::string& error) {
  const std::string path = FindTarukFile(name, R_OK);
  if (path.empty()) {
    error = std::string(name) + " is missing (beside taruk or in ../libexec/taruk)";
    return nullptr;
  }
  // Kept for the rest of the run: its threads and callbacks may outlive any
  // one caller.
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!module) {
    error = std::string("cannot load ") + name + ": " + dlerror();
    return nullptr;
  }
  void* found = dlsym(module, symbol);
  if (!found) error = path + " is not taruk's " + name;
  return found;
}

}  // namespace taruk
