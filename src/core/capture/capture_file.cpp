#include "core/capture/capture_file.h"

#include <utility>

#include "core/base/small_text_file.h"

namespace taruk {

namespace {

// A real capture is about 14 KB; anything far larger is not one.
constexpr std::size_t kMaxCaptureBytes = 1 << 20;

}  // namespace

CaptureFileStatus ReadCaptureFile(const std::string& path, DriveCapture& capture, std::string& error) {
  return CaptureFileReader().Read(path, capture, error);
}

CaptureFileStatus CaptureFileReader::Read(const std::string& path, DriveCapture& capture, std::string& error) {
  std::string text;
  switch (ReadSmallTextFile(path, kMaxCaptureBytes, text, error)) {
    case SmallFileStatus::Missing:
      return CaptureFileStatus::Missing;
    case SmallFileStatus::Bad:
      return CaptureFileStatus::Bad;
    case SmallFileStatus::Read:
      break;
  }
  if (path != path_ || text != text_) {
    // A text that does not parse leaves the last good one, and its capture,
    // as they were: they still belong together.
    if (!ParseCapture(text, path, capture_, error)) return CaptureFileStatus::Bad;
    path_ = path;
    text_ = std::move(text);
  }
  capture = capture_;
  return CaptureFileStatus::Loaded;
}

}  // namespace taruk
