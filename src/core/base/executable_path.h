#pragma once
// Where the running program lies: the alarm sound sits beside it, and the
// autostart entry starts it.

#include <string>

namespace taruk {

// The full path of the running executable, as bytes (/proc/self/exe); empty
// when it cannot be had. On Linux, a program that `taruk` started in its
// place gets taruk's path, which taruk leaves in the variable below.
std::string RunningExecutablePath();

constexpr const char* kProgramVariable = "TARUK_PROGRAM";

}  // namespace taruk
