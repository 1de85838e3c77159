#pragma once
// GET /metrics over HTTP (libmicrohttpd, run by a thread of our own). It
// answers from the last published page only, so a scrape never reaches a
// drive. Built into the module taruk-metrics-http.so with libmicrohttpd (and
// the TLS libraries it brings, about 2 MB), which a monitor loads only for
// --metrics-listen. A slow or flooding client is bounded: few connections at
// once, a small request that must arrive whole within a fixed time, and a
// scraper takes the place of the connection that has waited longest for its
// request (linux/http/metrics_connection_guard.h).

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "core/metrics/metrics_snapshot.h"
#include "linux/gzip_text.h"
#include "linux/http/metrics_connection_guard.h"
#include "linux/listen_address.h"

struct MHD_Daemon;

namespace taruk {

class MetricsHttpServer {
 public:
  explicit MetricsHttpServer(const MetricsSnapshot& snapshot, MetricsConnectionLimits limits = {})
      : guard(limits), snapshot(snapshot) {}
  ~MetricsHttpServer();
  MetricsHttpServer(const MetricsHttpServer&) = delete;
  MetricsHttpServer& operator=(const MetricsHttpServer&) = delete;

  // Binds exactly `address` and starts serving. False with a one-line
  // `error` (the port already in use, an address this machine doesn't have).
  bool Start(const ListenAddress& address, std::string& error);

  const MetricsSnapshot& Snapshot() const { return snapshot; }
  // The port bound (the one asked for, or the system's pick for port 0).
  uint16_t Port() const { return port; }

  // The library's callbacks; they all run on the serving thread.
  MetricsConnectionGuard guard;
  void ShutDown(const std::vector<int>& fds);

  // The page gzipped, on the first scrape that asks for it: its readings
  // compressed once per version of them, the rest once per published page.
  // Null when zlib failed.
  std::shared_ptr<const std::string> GzippedPage(const PublishedPage& page);

 private:
  void Serve();

  const MetricsSnapshot& snapshot;
  std::mutex gzipMutex;
  std::shared_ptr<const std::string> gzippedFrom;
  std::shared_ptr<const std::string> gzipped;
  GzipAfterFixedStart gzipper;
  MHD_Daemon* daemon = nullptr;
  uint16_t port = 0;
  int wake = -1;  // raised to end Serve()
  std::thread serving;
};

}  // namespace taruk
