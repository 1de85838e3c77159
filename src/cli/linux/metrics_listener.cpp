// --metrics-listen on Linux: libmicrohttpd on its own thread.
#include "cli/platform.h"
#include "linux/listen_address.h"
#include "linux/metrics_http_server.h"

namespace taruk {

namespace {

class HttpMetricsListener : public MetricsListener {
 public:
  explicit HttpMetricsListener(const MetricsSnapshot& snapshot) : server(snapshot) {}
  MetricsHttpServer server;
};

}  // namespace

std::unique_ptr<MetricsListener> StartMetricsListener(const std::string& text, const MetricsSnapshot& snapshot,
                                                      std::string& error) {
  ListenAddress address;
  if (!ParseListenAddress(text, address, error)) return nullptr;
  auto listener = std::make_unique<HttpMetricsListener>(snapshot);
  if (!listener->server.Start(address, error)) return nullptr;
  return listener;
}

}  // namespace taruk
