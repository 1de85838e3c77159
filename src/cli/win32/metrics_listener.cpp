// --metrics-listen: the HTTP server is built on libmicrohttpd, which this
// Windows build does not have. --metrics-file writes the same page.
#include "cli/platform.h"

namespace taruk {

namespace {

constexpr const char* kNotHere =
    "taruk: --metrics-listen is not available on Windows; --metrics-file PATH writes the same page after every cycle";

}  // namespace

const char* const kMetricsListenUsage = "";

bool CheckListenAddress(const std::string&, std::string& error) {
  error = kNotHere;
  return false;
}

std::unique_ptr<MetricsListener> StartMetricsListener(const std::string&, const MetricsSnapshot&, std::string& error) {
  error = kNotHere;
  return nullptr;
}

}  // namespace taruk
