#include "platform/replay/capture_file.h"

#include "platform/replay/small_text_file.h"

namespace {

// A real capture is about 14 KB; anything far larger is not one.
constexpr std::size_t kMaxCaptureBytes = 1 << 20;

}  // namespace

CaptureFileStatus ReadCaptureFile(const std::string& path, DriveCapture& capture, std::string& error) {
  std::string text;
  switch (ReadSmallTextFile(path, kMaxCaptureBytes, text, error)) {
    case SmallFileStatus::Missing:
      return CaptureFileStatus::Missing;
    case SmallFileStatus::Bad:
      return CaptureFileStatus::Bad;
    case SmallFileStatus::Read:
      break;
  }
  return ParseCapture(text, path, capture, error) ? CaptureFileStatus::Loaded : CaptureFileStatus::Bad;
}
