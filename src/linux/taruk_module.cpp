#include "linux/taruk_module.h"

#include <dlfcn.h>
#include <unistd.h>

#include "linux/reader_location.h"

namespace taruk {

void* TarukModuleSymbol(const char* name, const char* symbol, std::string& problem) {
  const std::string path = FindTarukFile(name, R_OK);
  if (path.empty()) {
    problem = std::string(name) + " is missing (beside taruk or in ../libexec/taruk)";
    return nullptr;
  }
  // Kept for the rest of the run: its threads and callbacks may outlive any
  // one caller.
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!module) {
    problem = std::string("cannot load ") + name + ": " + dlerror();
    return nullptr;
  }
  void* found = dlsym(module, symbol);
  if (!found) problem = path + " is not taruk's " + name;
  return found;
}

}  // namespace taruk
