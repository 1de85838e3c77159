#include "core/mail/tls_stream.h"

namespace taruk {

std::string NormalisedPin(const std::string& pin) {
  std::string hex;
  for (const char c : pin) {
    if (c == ':' || c == ' ') continue;
    if (c >= '0' && c <= '9') {
      hex += c;
    } else if ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')) {
      hex += static_cast<char>(c | 0x20);
    } else {
      return {};
    }
  }
  return hex.size() == 64 ? hex : std::string();
}

}  // namespace taruk
