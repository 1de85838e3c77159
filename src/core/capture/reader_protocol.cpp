#include "core/capture/reader_protocol.h"

#include <charconv>

namespace taruk {

namespace {

// "CODE CAPTURE PROBLEM\n": three small decimal numbers.
constexpr std::size_t kLongestReplyHeader = 32;

bool ParseNumber(std::string_view& text, std::size_t& value, char end) {
  const auto [next, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || next == text.data() || next == text.data() + text.size() || *next != end) return false;
  // Digits only: from_chars takes no sign for unsigned, and no spaces.
  text.remove_prefix(static_cast<std::size_t>(next - text.data()) + 1);
  return true;
}

}  // namespace

std::string FormatReaderRequest(const ReaderRequest& request) {
  std::string line = std::to_string(request.driveNumber);
  if (request.rule == SleepingDrive::Leave) line += " leave";
  if (request.rule == SleepingDrive::Wake) line += " wake";
  return line + "\n";
}

bool ParseReaderRequest(std::string_view line, ReaderRequest& request) {
  // A drive number of one to three plain digits, no leading zero: one
  // spelling per drive, 0 to 999.
  std::size_t digits = 0;
  int number = 0;
  // Four digits are enough to refuse; more would overflow the number.
  while (digits < line.size() && digits < 4 && line[digits] >= '0' && line[digits] <= '9') {
    number = number * 10 + (line[digits] - '0');
    ++digits;
  }
  if (digits == 0 || digits > 3 || (digits > 1 && line[0] == '0')) return false;
  request.driveNumber = number;
  const std::string_view rest = line.substr(digits);
  if (rest.empty()) {
    request.rule = SleepingDrive::Identify;
  } else if (rest == " leave") {
    request.rule = SleepingDrive::Leave;
  } else if (rest == " wake") {
    request.rule = SleepingDrive::Wake;
  } else {
    return false;
  }
  return true;
}

std::string FormatReaderReply(const ReaderReply& reply) {
  return std::to_string(reply.code) + " " + std::to_string(reply.capture.size()) + " " +
         std::to_string(reply.problem.size()) + "\n" + reply.capture + reply.problem;
}

ReplyState ParseReaderReply(std::string_view received, ReaderReply& reply, std::size_t& used) {
  const std::size_t lineEnd = received.find('\n');
  if (lineEnd == std::string_view::npos) {
    return received.size() < kLongestReplyHeader ? ReplyState::Incomplete : ReplyState::Malformed;
  }
  if (lineEnd >= kLongestReplyHeader) return ReplyState::Malformed;
  std::string_view header = received.substr(0, lineEnd + 1);
  std::size_t code = 0;
  std::size_t captureBytes = 0;
  std::size_t problemBytes = 0;
  if (!ParseNumber(header, code, ' ') || !ParseNumber(header, captureBytes, ' ') ||
      !ParseNumber(header, problemBytes, '\n') || code > 255 || captureBytes > kLargestReaderCapture ||
      problemBytes > kLargestReaderProblem) {
    return ReplyState::Malformed;
  }
  const std::size_t total = lineEnd + 1 + captureBytes + problemBytes;
  if (received.size() < total) return ReplyState::Incomplete;
  reply.code = static_cast<int>(code);
  reply.capture.assign(received.substr(lineEnd + 1, captureBytes));
  reply.problem.assign(received.substr(lineEnd + 1 + captureBytes, problemBytes));
  used = total;
  return ReplyState::Complete;
}

}  // namespace taruk
