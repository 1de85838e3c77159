#pragma once
// The words `taruk --report` prints when a drive cannot be read on Windows.

#include <cstdint>
#include <string>

namespace taruk {

// What a refused S.M.A.R.T. request means to someone running taruk.
extern const char* const kNeedsAdministratorHint;

// The system's text for a Win32 error with its number, in UTF-8:
// "Access denied. (error 5)".
std::string SystemErrorWords(uint32_t error);

// Why a drive's driver refused the requests of `what` ("S.M.A.R.T.",
// "NVMe"), told for the errors a user can act on, prefixed with `path`.
std::string RefusedRequestProblem(const std::string& path, const std::string& what, uint32_t error);

}  // namespace taruk
