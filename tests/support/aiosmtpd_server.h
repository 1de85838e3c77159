#pragma once
// A real SMTP server for tests: Debian's python3-aiosmtpd, started on a free
// loopback port with a Maildir of its own, stopped (by its process id) and
// removed when the object goes.

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace taruk {

class AiosmtpdServer {
 public:
  AiosmtpdServer() = default;
  ~AiosmtpdServer();
  AiosmtpdServer(const AiosmtpdServer&) = delete;
  AiosmtpdServer& operator=(const AiosmtpdServer&) = delete;

  // Starts the server and waits until it accepts connections. False with the
  // reason (and the server's own output) when it does not come up.
  bool Start(std::string& failure);
  // The same with tests/support/tls_smtp_server.py: a mode ("starttls",
  // "tls", ...) and the certificate and key it shows.
  bool StartTls(std::string& failure, const std::string& mode, const std::string& cert, const std::string& key);
  uint16_t Port() const { return port; }

  // The messages stored so far, each file whole, oldest first.
  std::vector<std::string> Messages() const;

 private:
  void Stop();
  bool Launch(std::string& failure, const std::vector<std::string>& arguments);

  std::filesystem::path directory;
  pid_t pid = -1;
  uint16_t port = 0;
};

// True when something accepts TCP connections on 127.0.0.1:`port`.
bool SomethingListensOn(uint16_t port);

}  // namespace taruk
