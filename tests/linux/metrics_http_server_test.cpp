// The metrics server against clients that trickle their requests a byte at
// a time over real loopback connections, from many addresses (127.0.0.0/8 is
// all loopback) or from the scraper's own. A scrape must still get through,
// and no trickle may hold a connection past its fixed time.
#include "linux/http/metrics_http_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

using namespace taruk;
using namespace std::chrono_literals;

namespace {

ListenAddress Loopback() {
  ListenAddress address;
  auto* ip4 = reinterpret_cast<sockaddr_in*>(&address.address);
  ip4->sin_family = AF_INET;
  ip4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.length = sizeof(sockaddr_in);
  address.text = "127.0.0.1:0";
  return address;
}

// A connection to the server from `from` (any 127.x.y.z); -1 on failure.
int ConnectFrom(const char* from, uint16_t port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  inet_pton(AF_INET, from, &local.sin_addr);
  sockaddr_in server{};
  server.sin_family = AF_INET;
  server.sin_port = htons(port);
  server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
      connect(fd, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// One scrape from `from`, given three seconds: the answer's first line and
// body, or what went wrong.
std::string Scrape(const char* from, uint16_t port) {
  const int fd = ConnectFrom(from, port);
  if (fd < 0) return "no connection";
  const std::string request = "GET /metrics HTTP/1.1\r\nHost: taruk\r\nConnection: close\r\n\r\n";
  if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size())) {
    close(fd);
    return "not sent";
  }
  std::string answer;
  const auto deadline = std::chrono::steady_clock::now() + 3s;
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd wait{fd, POLLIN, 0};
    if (left <= 0ms || poll(&wait, 1, static_cast<int>(left.count())) <= 0) {
      answer = "timed out after: " + answer;
      break;
    }
    char buffer[4096];
    const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    answer.append(buffer, static_cast<size_t>(got));
  }
  close(fd);
  const size_t body = answer.find("\r\n\r\n");
  return answer.substr(0, answer.find("\r\n")) + "|" + (body == std::string::npos ? "" : answer.substr(body + 4));
}

// Clients that send "GET /metrics HTTP/1.1\r\n" and then a header byte every
// 100 ms, never ending the request, for at most `rounds` bytes each. Each
// notes whether the server closed it before its bytes ran out.
class Tricklers {
 public:
  Tricklers(const std::vector<std::string>& addresses, uint16_t port, int rounds) {
    for (const std::string& address : addresses) {
      const int fd = ConnectFrom(address.c_str(), port);
      if (fd >= 0) send(fd, "GET /metrics HTTP/1.1\r\n", 23, MSG_NOSIGNAL);
      fds.push_back(fd);
    }
    closed.assign(fds.size(), false);
    player = std::thread([this, rounds] { Play(rounds); });
  }
  ~Tricklers() {
    player.join();
    for (const int fd : fds) close(fd);
  }
  size_t ClosedByServer() {
    player.join();
    player = std::thread([] {});
    size_t count = 0;
    for (const bool c : closed) count += c ? 1 : 0;
    return count;
  }

 private:
  void Play(int rounds) {
    for (int round = 0; round < rounds; ++round) {
      std::this_thread::sleep_for(100ms);
      bool anyOpen = false;
      for (size_t i = 0; i < fds.size(); ++i) {
        if (fds[i] < 0 || closed[i]) continue;
        char byte;
        const ssize_t got = recv(fds[i], &byte, 1, MSG_DONTWAIT);
        if (got == 0 || (got < 0 && errno != EAGAIN) || send(fds[i], "X", 1, MSG_NOSIGNAL) != 1) {
          closed[i] = true;
          continue;
        }
        anyOpen = true;
      }
      if (!anyOpen) return;
    }
  }

  std::vector<int> fds;
  std::vector<bool> closed;
  std::thread player;
};

std::vector<std::string> Addresses(const char* prefix, int count) {
  std::vector<std::string> addresses;
  for (int i = 1; i <= count; ++i) addresses.push_back(prefix + std::to_string(i));
  return addresses;
}

TEST(MetricsHttpServer, TrickledRequestsEndOnTimeAndScrapesGetThroughMeanwhile) {
  MetricsSnapshot snapshot;
  snapshot.Publish("taruk_build_info{version=\"2.0\"} 1\n");
  const MetricsConnectionLimits limits{16, 8, 1500ms, 5000ms};
  MetricsHttpServer server(snapshot, limits);
  std::string error;
  ASSERT_TRUE(server.Start(Loopback(), error)) << error;
  const std::string ok = "HTTP/1.1 200 OK|taruk_build_info{version=\"2.0\"} 1\n";

  // Every place taken, from sixteen addresses, each trickling for up to 6 s
  // (the silence time-out alone would let them go on for ever).
  {
    Tricklers slow(Addresses("127.0.1.", 16), server.Port(), 60);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Scrape("127.0.0.1", server.Port()), ok) << "scrape " << i;
    EXPECT_EQ(slow.ClosedByServer(), 16u);
  }
  // The eight places of the scraper's own address taken, and a request time
  // long enough that only displacing one lets the scrape in.
  MetricsHttpServer patient(snapshot, {16, 8, 30s, 5s});
  ASSERT_TRUE(patient.Start(Loopback(), error)) << error;
  {
    Tricklers slow(std::vector<std::string>(8, "127.0.0.1"), patient.Port(), 40);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(Scrape("127.0.0.1", patient.Port()), ok);
    // The place taken from a trickler serves the next scrape as well.
    EXPECT_EQ(Scrape("127.0.0.1", patient.Port()), ok);
    EXPECT_EQ(slow.ClosedByServer(), 1u);
  }
  // Ordinary answers stay as they were.
  EXPECT_EQ(Scrape("127.0.0.1", patient.Port()), ok);
}

}  // namespace
