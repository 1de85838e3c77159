// --metrics-listen's address, checked when the command line is read: apart
// from the server itself, so that taruk's one-shot modes load no HTTP library.
#include "cli/platform.h"
#include "linux/listen_address.h"

namespace taruk {

const char* const kMetricsListenUsage =
    "  --metrics-listen HOST:PORT               serve the last cycle's metrics at http://HOST:PORT/metrics\n";

bool CheckListenAddress(const std::string& text, std::string& error) {
  ListenAddress address;
  return ParseListenAddress(text, address, error);
}

}  // namespace taruk
