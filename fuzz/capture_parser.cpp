// Capture files come from users' bug reports and from disk: any text must be
// either read or refused with one line, and what was read must write back to
// text that reads the same. The same text, as the serving reader's answer
// (the capture travels in it) and as a request to the reader, must be read
// whole or refused, never read beyond. As the bytes a reader sends the
// capture in, they must be taken or refused with one line, and what was taken
// must encode to bytes that decode the same.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/capture/capture_bytes.h"
#include "core/capture/drive_capture.h"
#include "core/capture/reader_protocol.h"

using namespace taruk;

namespace {

void CheckReaderProtocol(std::string_view text) {
  ReaderReply reply;
  std::size_t used = 0;
  if (ParseReaderReply(text, reply, used) == ReplyState::Complete) {
    if (used > text.size() || reply.capture.size() > kLargestReaderCapture) std::abort();
    std::size_t again = 0;
    ReaderReply same;
    if (ParseReaderReply(FormatReaderReply(reply), same, again) != ReplyState::Complete || same.code != reply.code ||
        same.capture != reply.capture || same.problem != reply.problem)
      std::abort();
  }
  ReaderRequest request;
  const std::string_view line = text.substr(0, text.find('\n'));
  if (ParseReaderRequest(line, request)) {
    if (request.driveNumber < 0 || request.driveNumber > 999) std::abort();
    if (FormatReaderRequest(request) != std::string(line) + "\n") std::abort();
  }
}

void CheckCaptureBytes(std::string_view bytes) {
  DriveCapture capture;
  std::string error;
  if (!DecodeCapture(bytes, capture, error)) {
    if (error.empty() || error.find('\n') != std::string::npos || !(capture == DriveCapture{})) std::abort();
    return;
  }
  DriveCapture again;
  if (!DecodeCapture(EncodeCapture(capture), again, error) || !(again == capture)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckReaderProtocol(text);
  CheckCaptureBytes(text);
  DriveCapture capture;
  std::string error;
  if (!ParseCapture(text, "fuzz.capture", capture, error)) {
    if (error.empty() || error.find('\n') != std::string::npos) std::abort();
    if (!(capture == DriveCapture{})) std::abort();  // a refused file changes nothing
    return 0;
  }
  DriveCapture again;
  if (!ParseCapture(FormatCapture(capture), "again.capture", again, error) || !(again == capture)) std::abort();
  if (!DecodeCapture(EncodeCapture(capture), again, error) || !(again == capture)) std::abort();
  return 0;
}
