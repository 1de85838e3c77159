#pragma once
// GET /metrics over HTTP (libmicrohttpd, on its own thread). It answers from
// the last published page only, so a scrape never reaches a drive. Built
// into the module taruk-metrics-http.so with libmicrohttpd (and the TLS
// libraries it brings, about 2 MB), which a monitor loads only for
// --metrics-listen. A slow or
// flooding client is bounded: few connections at once, a small request, and
// a connection that stays silent is closed.

#include <memory>
#include <mutex>
#include <string>

#include "core/metrics/metrics_snapshot.h"
#include "linux/listen_address.h"

struct MHD_Daemon;

namespace taruk {

class MetricsHttpServer {
 public:
  explicit MetricsHttpServer(const MetricsSnapshot& snapshot) : snapshot(snapshot) {}
  ~MetricsHttpServer();
  MetricsHttpServer(const MetricsHttpServer&) = delete;
  MetricsHttpServer& operator=(const MetricsHttpServer&) = delete;

  // Binds exactly `address` and starts serving. False with a one-line
  // `error` (the port already in use, an address this machine doesn't have).
  bool Start(const ListenAddress& address, std::string& error);

  const MetricsSnapshot& Snapshot() const { return snapshot; }

  // The current page gzipped: compressed once per published page, on the
  // first scrape that asks for it. Null when zlib failed.
  std::shared_ptr<const std::string> GzippedPage(const std::shared_ptr<const std::string>& page);

 private:
  const MetricsSnapshot& snapshot;
  std::mutex gzipMutex;
  std::shared_ptr<const std::string> gzippedFrom;
  std::shared_ptr<const std::string> gzipped;
  MHD_Daemon* daemon = nullptr;
};

}  // namespace taruk
