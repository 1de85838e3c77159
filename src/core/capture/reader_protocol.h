#pragma once
// What the monitor and a serving taruk-smart-reader say to each other over
// their socket pair. A request is one line naming one drive and what to do
// with it if it sleeps: "N", "N leave" or "N wake" (N from 0 to 999; the
// same words the one-shot reader takes as arguments). The answer is a header
// line "CODE CAPTURE_BYTES PROBLEM_BYTES", then the capture and the problem
// line: what the one-shot reader gives as exit code, standard output and
// standard error, but the capture as compact bytes (capture_bytes.h), not
// as text.

#include <cstddef>
#include <string>
#include <string_view>

#include "core/drive/smart_device.h"

namespace taruk {

struct ReaderRequest {
  int driveNumber = 0;
  SleepingDrive rule = SleepingDrive::Identify;
};

// The longest request line, its end included: the reader reads no further.
constexpr std::size_t kLongestReaderRequest = 10;  // "999 leave\n"

// The line, ending in '\n'.
std::string FormatReaderRequest(const ReaderRequest& request);
// `line` without its '\n'. Anything but the three forms is refused.
bool ParseReaderRequest(std::string_view line, ReaderRequest& request);

struct ReaderReply {
  int code = 0;  // the one-shot reader's exit code
  std::string capture;
  std::string problem;
};

// A capture of four positions is about 7 KB; anything far beyond is not one.
constexpr std::size_t kLargestReaderCapture = 256 * 1024;
constexpr std::size_t kLargestReaderProblem = 4096;

std::string FormatReaderReply(const ReaderReply& reply);

enum class ReplyState { Incomplete, Complete, Malformed };
// What has come so far: Complete fills `reply` and says in `used` how many
// bytes it took; Malformed for a header that is not one or sizes beyond
// the bounds above.
ReplyState ParseReaderReply(std::string_view received, ReaderReply& reply, std::size_t& used);

}  // namespace taruk
