#pragma once
// Reading one driveN.capture file from disk.

#include <string>

#include "platform/replay/drive_capture.h"

enum class CaptureFileStatus {
  Loaded,
  Missing,  // no such file: the drive is simply not there
  Bad,      // unreadable or malformed: `error` says why, in one line
};

// Reads and parses the file at `path`. `capture` changes only when Loaded.
CaptureFileStatus ReadCaptureFile(const std::string& path, DriveCapture& capture, std::string& error);
