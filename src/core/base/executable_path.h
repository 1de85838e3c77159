#pragma once
// Where the running program lies: the alarm sound sits beside it, and the
// autostart entry starts it.

#include <string>

namespace taruk {

// The full path of the running executable, as bytes (/proc/self/exe); empty
// when it cannot be had.
std::string RunningExecutablePath();

}  // namespace taruk
