#pragma once
// GET /metrics over HTTP (libmicrohttpd, on its own thread). It answers from
// the last published page only, so a scrape never reaches a drive. A slow or
// flooding client is bounded: few connections at once, a small request, and
// a connection that stays silent is closed.

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

 private:
  const MetricsSnapshot& snapshot;
  MHD_Daemon* daemon = nullptr;
};

}  // namespace taruk
