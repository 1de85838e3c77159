#include "core/mail/smtp_reply.h"

#include <cctype>
#include <cstdlib>

namespace taruk {

namespace {

bool IsFinalLine(const std::string& received, size_t start, size_t length) {
  if (length == 3) {
    for (size_t i = start; i < start + 3; ++i) {
      if (!std::isdigit(static_cast<unsigned char>(received[i]))) return false;
    }
    return true;
  }
  return length >= 4 && received[start + 3] == ' ';
}

}  // namespace

bool FindReply(const std::string& received, ReplyBounds& bounds) {
  size_t start = bounds.checked;
  while (start < received.size()) {
    const size_t newline = received.find('\n', start);
    if (newline == std::string::npos) return false;
    size_t length = newline - start;
    if (length > 0 && received[newline - 1] == '\r') --length;
    if (IsFinalLine(received, start, length)) {
      bounds.finalLine = start;
      bounds.end = newline + 1;
      return true;
    }
    start = newline + 1;
    bounds.checked = start;
  }
  return false;
}

int ReplyCode(const std::string& line) {
  char digits[4] = {};
  line.copy(digits, 3);
  char* end = nullptr;
  const long code = std::strtol(digits, &end, 10);
  return end == digits ? 0 : static_cast<int>(code);
}

}  // namespace taruk
