#include "cli/launcher/run_taruk_program.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <cerrno>

#include "core/base/executable_path.h"
#include "linux/reader_location.h"

namespace taruk {

int RunTarukProgram(const char* name, const std::vector<std::string>& arguments) {
  const std::string self = RunningExecutablePath();
  const std::string program = FindTarukProgram(name, self);
  if (program.empty()) {
    fprintf(stderr, "taruk: %s is missing (looked beside taruk and in ../libexec/taruk)\n", name);
    return 1;
  }
  if (!self.empty()) setenv(kProgramVariable, self.c_str(), 1);
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  fflush(nullptr);
  execv(program.c_str(), argv.data());
  fprintf(stderr, "taruk: cannot run %s: %s\n", program.c_str(), strerror(errno));
  return 1;
}

}  // namespace taruk
