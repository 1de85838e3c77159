#pragma once
// Reading one driveN.capture file from disk.

#include <string>

#include "core/capture/drive_capture.h"

namespace taruk {

enum class CaptureFileStatus {
  Loaded,
  Missing,  // no such file: the drive is simply not there
  Bad,      // unreadable or malformed: `error` says why, in one line
};

// Reads and parses the file at `path`. `capture` changes only when Loaded.
CaptureFileStatus ReadCaptureFile(const std::string& path, DriveCapture& capture, std::string& error);

// Reads capture files again and again, as every pass reopens its drive. The
// text is read afresh every time, but parsing it, which costs far more than
// the read, is skipped when it is the text this reader last loaded.
class CaptureFileReader {
 public:
  CaptureFileStatus Read(const std::string& path, DriveCapture& capture, std::string& error);

 private:
  std::string path_;  // of the last capture loaded, with its text
  std::string text_;
  DriveCapture capture_;
};

}  // namespace taruk
