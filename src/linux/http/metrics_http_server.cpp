#include "linux/http/metrics_http_server.h"

#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "linux/gzip_text.h"

namespace taruk {

namespace {

// Prometheus scrapes one connection at a time; a few more let people look.
constexpr unsigned kMostConnections = 16;
// One flooding host can take half of them; the other half stays for the
// Prometheus servers.
constexpr unsigned kMostConnectionsPerHost = 8;
// Seconds a connection may stay silent before it is closed.
constexpr unsigned kSilenceTimeout = 5;
// Memory per connection, the request line and headers included: a larger
// request is refused by the library.
constexpr size_t kConnectionMemory = 16 * 1024;

constexpr const char* kContentType = "text/plain; version=0.0.4; charset=utf-8";

MHD_Result Queue(MHD_Connection* connection, unsigned status, MHD_Response* response) {
  const MHD_Result result = MHD_queue_response(connection, status, response);
  MHD_destroy_response(response);
  return result;
}

MHD_Result Reply(MHD_Connection* connection, unsigned status, std::string_view body, const char* contentType,
                 const char* allow = nullptr) {
  MHD_Response* response =
      MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY);
  if (!response) return MHD_NO;
  MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, contentType);
  if (allow) MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, allow);
  return Queue(connection, status, response);
}

// The page itself, not copied: the response holds its own reference to it
// until the library has sent it, however many pages are published meanwhile.
MHD_Result ReplyWithPage(MHD_Connection* connection, std::shared_ptr<const std::string> page, bool gzipped) {
  auto* held = new std::shared_ptr<const std::string>(std::move(page));
  MHD_Response* response = MHD_create_response_from_buffer_with_free_callback_cls(
      // The library only reads the buffer.
      (*held)->size(), const_cast<char*>((*held)->data()),
      [](void* cls) { delete static_cast<std::shared_ptr<const std::string>*>(cls); }, held);
  if (!response) {
    delete held;
    return MHD_NO;
  }
  MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, kContentType);
  // Caches between Prometheus and taruk keep the two forms apart.
  MHD_add_response_header(response, MHD_HTTP_HEADER_VARY, MHD_HTTP_HEADER_ACCEPT_ENCODING);
  if (gzipped) MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_ENCODING, "gzip");
  return Queue(connection, MHD_HTTP_OK, response);
}

MHD_Result Answer(void* context, MHD_Connection* connection, const char* url, const char* method,
                  const char* /*version*/, const char* /*uploadData*/, size_t* /*uploadDataSize*/,
                  void** /*connectionState*/) {
  auto& server = *static_cast<MetricsHttpServer*>(context);
  if (std::string_view(url) != "/metrics") {
    return Reply(connection, MHD_HTTP_NOT_FOUND, "Not found: Taruk serves /metrics only\n", "text/plain");
  }
  const std::string_view verb = method;
  if (verb != MHD_HTTP_METHOD_GET && verb != MHD_HTTP_METHOD_HEAD) {
    return Reply(connection, MHD_HTTP_METHOD_NOT_ALLOWED, "Method not allowed: use GET\n", "text/plain",
                 "GET, HEAD");
  }
  // The cycle may publish the next page meanwhile; this one stays whole.
  std::shared_ptr<const std::string> page = server.Snapshot().Current();
  const char* acceptEncoding =
      MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_ACCEPT_ENCODING);
  if (acceptEncoding && AcceptsGzip(acceptEncoding)) {
    if (std::shared_ptr<const std::string> gzipped = server.GzippedPage(page)) {
      return ReplyWithPage(connection, std::move(gzipped), true);
    }
  }
  return ReplyWithPage(connection, std::move(page), false);
}

}  // namespace

std::shared_ptr<const std::string> MetricsHttpServer::GzippedPage(const std::shared_ptr<const std::string>& page) {
  const std::lock_guard<std::mutex> lock(gzipMutex);
  if (gzippedFrom != page) {
    std::string compressed = GzipText(*page);
    gzipped = compressed.empty() ? nullptr : std::make_shared<const std::string>(std::move(compressed));
    gzippedFrom = page;
  }
  return gzipped;
}

MetricsHttpServer::~MetricsHttpServer() {
  if (daemon) MHD_stop_daemon(daemon);
}

bool MetricsHttpServer::Start(const ListenAddress& address, std::string& error) {
  const auto failed = [&](const char* step) {
    error = "taruk: can't serve metrics on " + address.text + ": " + step + std::strerror(errno);
    return false;
  };
  const int family = address.address.ss_family;
  // The socket is bound here rather than by the library, so that the reason
  // it can't be ("Address already in use") reaches the user.
  const int listener = socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener < 0) return failed("");
  const int on = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  // "[::]:PORT" means IPv6 alone, as written, not IPv4 as well.
  if (family == AF_INET6) setsockopt(listener, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
  if (bind(listener, reinterpret_cast<const sockaddr*>(&address.address), address.length) != 0 ||
      listen(listener, 64) != 0) {
    const int reason = errno;
    close(listener);
    errno = reason;
    return failed("");
  }
  daemon = MHD_start_daemon(MHD_USE_AUTO_INTERNAL_THREAD, 0, nullptr, nullptr, &Answer, this,
                            MHD_OPTION_LISTEN_SOCKET, listener,
                            MHD_OPTION_CONNECTION_LIMIT, kMostConnections,
                            MHD_OPTION_PER_IP_CONNECTION_LIMIT, kMostConnectionsPerHost,
                            MHD_OPTION_CONNECTION_TIMEOUT, kSilenceTimeout,
                            MHD_OPTION_CONNECTION_MEMORY_LIMIT, kConnectionMemory,
                            MHD_OPTION_END);
  if (!daemon) {
    close(listener);
    error = "taruk: can't serve metrics on " + address.text + ": the HTTP server did not start";
    return false;
  }
  return true;
}

}  // namespace taruk

// The module's entries, looked up by the monitor programs' metrics listener
// (src/cli/linux/metrics_listener.cpp): a server started on `address`, or
// null with `error`; and its end.
extern "C" __attribute__((visibility("default"))) void* taruk_start_metrics_server(
    const taruk::ListenAddress& address, const taruk::MetricsSnapshot& snapshot, std::string& error) {
  auto server = std::make_unique<taruk::MetricsHttpServer>(snapshot);
  if (!server->Start(address, error)) return nullptr;
  return server.release();
}

extern "C" __attribute__((visibility("default"))) void taruk_stop_metrics_server(void* server) {
  delete static_cast<taruk::MetricsHttpServer*>(server);
}
