// Capture files come from users' bug reports and from disk: any text must be
// either read or refused with one line, and what was read must write back to
// text that reads the same.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/capture/drive_capture.h"

using namespace taruk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  DriveCapture capture;
  std::string error;
  if (!ParseCapture(text, "fuzz.capture", capture, error)) {
    if (error.empty() || error.find('\n') != std::string::npos) std::abort();
    if (!(capture == DriveCapture{})) std::abort();  // a refused file changes nothing
    return 0;
  }
  DriveCapture again;
  if (!ParseCapture(FormatCapture(capture), "again.capture", again, error) || !(again == capture)) std::abort();
  return 0;
}
