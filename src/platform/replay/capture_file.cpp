#include "platform/replay/capture_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

// A real capture is about 14 KB; anything far larger is not one, and reading
// it (or a device node named like a capture) must not stall the pass.
constexpr std::size_t kMaxCaptureBytes = 1 << 20;

}  // namespace

CaptureFileStatus ReadCaptureFile(const std::string& path, DriveCapture& capture, std::string& error) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    if (errno == ENOENT) return CaptureFileStatus::Missing;
    error = path + ": cannot read: " + std::strerror(errno);
    return CaptureFileStatus::Bad;
  }
  if (!S_ISREG(info.st_mode)) {
    error = path + ": not a regular file";
    return CaptureFileStatus::Bad;
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    error = path + ": cannot read: " + std::strerror(errno);
    return CaptureFileStatus::Bad;
  }
  std::string text(kMaxCaptureBytes + 1, '\0');
  const std::size_t length = std::fread(text.data(), 1, text.size(), file);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    error = path + ": cannot read";
    return CaptureFileStatus::Bad;
  }
  if (length > kMaxCaptureBytes) {
    error = path + ": larger than " + std::to_string(kMaxCaptureBytes) + " bytes, not a drive capture";
    return CaptureFileStatus::Bad;
  }
  text.resize(length);
  return ParseCapture(text, path, capture, error) ? CaptureFileStatus::Loaded : CaptureFileStatus::Bad;
}
