// --metrics-listen on Linux: libmicrohttpd on its own thread, in the module
// taruk-metrics-http.so (src/linux/http), loaded only when asked for.
#include "cli/platform.h"
#include "linux/listen_address.h"
#include "linux/taruk_module.h"

namespace taruk {

namespace {

using StartFunction = void* (*)(const ListenAddress&, const MetricsSnapshot&, std::string&);
using StopFunction = void (*)(void*);

class ModuleMetricsListener : public MetricsListener {
 public:
  ModuleMetricsListener(void* server, StopFunction stop) : server(server), stop(stop) {}
  ~ModuleMetricsListener() override { stop(server); }

 private:
  void* server;
  StopFunction stop;
};

}  // namespace

std::unique_ptr<MetricsListener> StartMetricsListener(const std::string& text, const MetricsSnapshot& snapshot,
                                                      std::string& error) {
  ListenAddress address;
  if (!ParseListenAddress(text, address, error)) return nullptr;
  constexpr const char* kModule = "taruk-metrics-http.so";
  std::string problem;
  const auto start = reinterpret_cast<StartFunction>(TarukModuleSymbol(kModule, "taruk_start_metrics_server", problem));
  const auto stop = reinterpret_cast<StopFunction>(TarukModuleSymbol(kModule, "taruk_stop_metrics_server", problem));
  if (!start || !stop) {
    error = "taruk: can't serve metrics on " + text + ": " + problem;
    return nullptr;
  }
  void* server = start(address, snapshot, error);
  if (!server) return nullptr;
  return std::make_unique<ModuleMetricsListener>(server, stop);
}

}  // namespace taruk
