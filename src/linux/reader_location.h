#pragma once
// Where taruk finds the privileged reader and its monitor programs: beside
// its own executable (a build tree), or in ../libexec/taruk relative to it
// (an installed tree).

#include <string>

#include "linux/system/taruk_modules.h"  // FindTarukFile

namespace taruk {

constexpr const char* kReaderName = "taruk-smart-reader";

// The reader's path, or empty when neither place holds an executable one.
// `executable` is taruk's own path (/proc/self/exe when empty).
std::string FindReader(const std::string& executable = {});

// Another of taruk's programs (the reader, taruk-window, taruk-headless),
// looked for in the same two places.
std::string FindTarukProgram(const char* name, const std::string& executable = {});

}  // namespace taruk
