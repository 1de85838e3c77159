#pragma once
// A drive capture as compact bytes: how a serving taruk-smart-reader hands
// a drive's answers to the monitor. The text form (drive_capture.h) is for
// files people read and edit; between two processes of one run, writing
// every page as hex and parsing it back cost more than the drive's own
// answers. The same records as the text, each a tag byte and fixed fields,
// little-endian; the decoder takes only what the text parser would take
// (positions, command lengths, sizes, driver names, nothing twice).

#include <string>
#include <string_view>

#include "core/capture/drive_capture.h"

namespace taruk {

std::string EncodeCapture(const DriveCapture& capture);

// On failure returns false, sets `error` to one line saying what was wrong
// and where, and leaves `capture` untouched.
bool DecodeCapture(std::string_view bytes, DriveCapture& capture, std::string& error);

}  // namespace taruk
