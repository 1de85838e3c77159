#include <windows.h>

#include "win32/drive_problem_text.h"

#include "core/base/utf8_text.h"
#include "win32/system_error_text.h"

namespace taruk {

const char* const kNeedsAdministratorHint =
    "reading S.M.A.R.T. needs administrator rights (run taruk as administrator)";

std::string SystemErrorWords(uint32_t error) {
  return ToUtf8(SystemErrorText(error)) + " (error " + std::to_string(error) + ")";
}

std::string RefusedRequestProblem(const std::string& path, const std::string& what, uint32_t error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
      return path + ": access denied: " + kNeedsAdministratorHint;
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_PARAMETER:
      // A USB bridge, a RAID or SCSI driver, or a virtual disk: the request
      // never reaches a drive that could answer it.
      return path + ": the drive's driver does not pass " + what + " requests: " + SystemErrorWords(error);
    case ERROR_TIMEOUT:
      return path + ": the drive did not answer a " + what + " request in time";
    default:
      return path + ": " + what + " request failed: " + SystemErrorWords(error);
  }
}

}  // namespace taruk
