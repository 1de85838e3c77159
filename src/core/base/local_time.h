#pragma once
// The system's local time for a moment, in a caller's own storage, so that
// threads never share the C library's static one.

#include <ctime>

namespace taruk {

// False when the local time cannot be had (no time zone data, a moment out
// of the system's range); `local` is then unspecified.
bool ToLocalTime(std::time_t when, std::tm& local);

}  // namespace taruk
