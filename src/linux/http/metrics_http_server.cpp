#include "linux/http/metrics_http_server.h"

#include <microhttpd.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string_view>

#include "linux/gzip_text.h"

namespace taruk {

namespace {

// The guard keeps to its limits by displacing connections; the library
// closes a displaced one only on its next round, so its own limit leaves
// room for those on their way out.
constexpr unsigned kLibraryConnectionsPerGuarded = 2;
// Seconds a connection may stay silent before it is closed.
constexpr unsigned kSilenceTimeout = 5;
// The longest the serving thread sleeps when nothing is due: it is woken for
// the end, and by every event of the library.
constexpr int kMostSleepMs = 60'000;

using Clock = MetricsConnectionGuard::Clock;

// An address's bytes without the port: what the limit per address counts.
std::string AddressKey(const sockaddr* address) {
  if (!address) return {};
  if (address->sa_family == AF_INET) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(address);
    return std::string(reinterpret_cast<const char*>(&v4->sin_addr), sizeof v4->sin_addr);
  }
  if (address->sa_family == AF_INET6) {
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(address);
    return std::string(reinterpret_cast<const char*>(&v6->sin6_addr), sizeof v6->sin6_addr);
  }
  return {};
}

MetricsHttpServer& ServerOf(void* context) { return *static_cast<MetricsHttpServer*>(context); }

MHD_Result Admit(void* context, const sockaddr* address, socklen_t /*length*/) {
  MetricsHttpServer& server = ServerOf(context);
  std::vector<int> toShut;
  const bool admitted = server.guard.Admit(AddressKey(address), toShut);
  server.ShutDown(toShut);
  return admitted ? MHD_YES : MHD_NO;
}

void ConnectionChanged(void* context, MHD_Connection* connection, void** /*socketContext*/,
                       MHD_ConnectionNotificationCode change) {
  MetricsHttpServer& server = ServerOf(context);
  if (change == MHD_CONNECTION_NOTIFY_CLOSED) {
    server.guard.Closed(connection);
    return;
  }
  const MHD_ConnectionInfo* fd = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
  const MHD_ConnectionInfo* peer = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
  if (!fd) return;
  server.guard.Started(connection, fd->connect_fd, AddressKey(peer ? peer->client_addr : nullptr), Clock::now());
}

void AnswerDone(void* context, MHD_Connection* connection, void** /*requestContext*/,
                MHD_RequestTerminationCode /*how*/) {
  ServerOf(context).guard.AnswerDone(connection, Clock::now());
}
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
  MetricsHttpServer& server = ServerOf(context);
  server.guard.RequestArrived(connection, Clock::now());
  if (std::string_view(url) != "/metrics") {
    return Reply(connection, MHD_HTTP_NOT_FOUND, "Not found: Taruk serves /metrics only\n", "text/plain");
  }
  const std::string_view verb = method;
  if (verb != MHD_HTTP_METHOD_GET && verb != MHD_HTTP_METHOD_HEAD) {
    return Reply(connection, MHD_HTTP_METHOD_NOT_ALLOWED, "Method not allowed: use GET\n", "text/plain", "GET, HEAD");
  }
  // The cycle may publish the next page meanwhile; this one stays whole.
  PublishedPage page = server.Snapshot().Latest();
  const char* acceptEncoding =
      MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_ACCEPT_ENCODING);
  if (acceptEncoding && AcceptsGzip(acceptEncoding)) {
    if (std::shared_ptr<const std::string> gzipped = server.GzippedPage(page)) {
      return ReplyWithPage(connection, std::move(gzipped), true);
    }
  }
  return ReplyWithPage(connection, std::move(page.text), false);
}

}  // namespace

std::shared_ptr<const std::string> MetricsHttpServer::GzippedPage(const PublishedPage& page) {
  const std::lock_guard<std::mutex> lock(gzipMutex);
  if (gzippedFrom != page.text) {
    const std::string_view text = *page.text;
    const std::size_t fixed = std::min(page.readingsLength, text.size());
    std::string compressed = gzipper.Gzip(text.substr(0, fixed), page.readingsVersion, text.substr(fixed));
    gzipped = compressed.empty() ? nullptr : std::make_shared<const std::string>(std::move(compressed));
    gzippedFrom = page.text;
  }
  return gzipped;
}

MetricsHttpServer::~MetricsHttpServer() {
  if (serving.joinable()) {
    const uint64_t one = 1;
    while (write(wake, &one, sizeof one) < 0 && errno == EINTR) {
    }
    serving.join();
  }
  if (daemon) MHD_stop_daemon(daemon);
  if (wake >= 0) close(wake);
}

void MetricsHttpServer::ShutDown(const std::vector<int>& fds) {
  // The library sees the connection end on its next round and closes it;
  // the descriptor stays its own until then.
  for (const int fd : fds) shutdown(fd, SHUT_RDWR);
}

// The library's events and the guard's deadlines, on one thread, so that a
// descriptor the guard names is still open when it is shut down.
void MetricsHttpServer::Serve() {
  const MHD_DaemonInfo* events = MHD_get_daemon_info(daemon, MHD_DAEMON_INFO_EPOLL_FD);
  pollfd waits[2] = {{wake, POLLIN, 0}, {events ? events->epoll_fd : -1, POLLIN, 0}};
  for (;;) {
    int sleepMs = kMostSleepMs;
    MHD_UNSIGNED_LONG_LONG libraryMs = 0;
    if (MHD_get_timeout(daemon, &libraryMs) == MHD_YES) {
      sleepMs = static_cast<int>(std::min<MHD_UNSIGNED_LONG_LONG>(libraryMs, kMostSleepMs));
    }
    const Clock::time_point next = guard.NextDeadline();
    if (next != Clock::time_point::max()) {
      const auto untilNext = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now()).count();
      sleepMs = static_cast<int>(std::clamp<long long>(untilNext, 0, sleepMs));
    }
    if (poll(waits, 2, sleepMs) < 0 && errno != EINTR) return;
    if (waits[0].revents != 0) return;
    MHD_run(daemon);
    ShutDown(guard.Overdue(Clock::now()));
  }
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
  sockaddr_storage bound{};
  socklen_t boundLength = sizeof bound;
  if (getsockname(listener, reinterpret_cast<sockaddr*>(&bound), &boundLength) == 0) {
    port = ntohs(family == AF_INET6 ? reinterpret_cast<const sockaddr_in6*>(&bound)->sin6_port
                                    : reinterpret_cast<const sockaddr_in*>(&bound)->sin_port);
  }
  wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  const unsigned libraryLimit = static_cast<unsigned>(guard.Limits().mostConnections) * kLibraryConnectionsPerGuarded;
  if (wake >= 0) {
    daemon = MHD_start_daemon(MHD_USE_EPOLL, 0, &Admit, this, &Answer, this, MHD_OPTION_LISTEN_SOCKET, listener,
                              MHD_OPTION_CONNECTION_LIMIT, libraryLimit, MHD_OPTION_CONNECTION_TIMEOUT, kSilenceTimeout,
                              MHD_OPTION_CONNECTION_MEMORY_LIMIT, kConnectionMemory, MHD_OPTION_NOTIFY_CONNECTION,
                              &ConnectionChanged, this, MHD_OPTION_NOTIFY_COMPLETED, &AnswerDone, this, MHD_OPTION_END);
  }
  if (!daemon) {
    close(listener);
    error = "taruk: can't serve metrics on " + address.text + ": the HTTP server did not start";
    return false;
  }
  serving = std::thread([this] { Serve(); });
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
