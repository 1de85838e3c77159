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
  std::shared_ptr<const DriveCapture> shared;
  const CaptureFileStatus status = Read(path, shared, error);
  if (status == CaptureFileStatus::Loaded) capture = *shared;
  return status;
}

CaptureFileStatus CaptureFileReader::Read(const std::string& path, std::shared_ptr<const DriveCapture>& capture,
                                          std::string& error) {
  // Taken before the read: a change made while it reads leaves a stamp
  // unlike this one, and is read at the next call.
  FileStamp stamp;
  const bool stamped = StampFile(path, stamp) && stamp.settled;
  if (stamped && stamped_ && path == path_ && stamp == stamp_) {
    capture = capture_;
    return CaptureFileStatus::Loaded;
  }
  stamped_ = false;
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
    auto parsed = std::make_shared<DriveCapture>();
    if (!ParseCapture(text, path, *parsed, error)) return CaptureFileStatus::Bad;
    capture_ = std::move(parsed);
    path_ = path;
    text_ = std::move(text);
  }
  stamp_ = stamp;
  stamped_ = stamped;
  capture = capture_;
  return CaptureFileStatus::Loaded;
}

}  // namespace taruk
