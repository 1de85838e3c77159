#pragma once
// Reading one driveN.capture file from disk.

#include <memory>
#include <string>

#include "core/base/regular_file.h"
#include "core/capture/drive_capture.h"

namespace taruk {

enum class CaptureFileStatus {
  Loaded,
  Missing,  // no such file: the drive is simply not there
  Bad,      // unreadable or malformed: `error` says why, in one line
};

// Reads and parses the file at `path`. `capture` changes only when Loaded.
CaptureFileStatus ReadCaptureFile(const std::string& path, DriveCapture& capture, std::string& error);

// Reads capture files again and again, as every pass reopens its drive, so
// that every pass sees the file as it is then. A file whose stamp (identity,
// size, times) is that of the last one loaded, and settled, is not read
// again: opening and reading 64 files cost most of a cycle over 64 replayed
// drives. Otherwise the text is read, and parsing it, which costs far more
// than the read, is skipped when it is the text this reader last loaded.
class CaptureFileReader {
 public:
  CaptureFileStatus Read(const std::string& path, DriveCapture& capture, std::string& error);
  // The same, sharing the capture this reader keeps instead of copying it.
  CaptureFileStatus Read(const std::string& path, std::shared_ptr<const DriveCapture>& capture, std::string& error);

 private:
  std::string path_;  // of the last capture loaded, with its text
  std::string text_;
  std::shared_ptr<const DriveCapture> capture_;
  FileStamp stamp_;  // the file's before that text was read
  bool stamped_ = false;
};

}  // namespace taruk
