#pragma once
// TLS over a connected TCP socket (core/mail/tcp_connection.h): OpenSSL on
// Linux, SChannel on Windows. The server's certificate is always checked:
// its chain against the system's trust store (and the user's CA file), its
// name against the host that was asked for; or, when the user pinned one,
// its SHA-256 fingerprint alone. There is no way to switch the check off.
// Every wait has the caller's deadline and ends on the stop request.

#include <memory>
#include <string>

#include "core/mail/tcp_connection.h"

namespace taruk {

struct TlsTrust {
  // A PEM file of certificates trusted besides the system's: a self-signed
  // relay's CA. Empty: the system's store alone.
  std::string caFile;
  // The server certificate's SHA-256 fingerprint as 64 hex digits (colons and
  // case do not matter). When set, a certificate with this fingerprint is
  // taken whoever issued it, and any other is refused.
  std::string pinSha256;
};

class TlsStream {
 public:
  virtual ~TlsStream() = default;
  // Runs the handshake and checks the certificate. On anything but Ok,
  // ErrorText() says why in the user's words ("certificate name mismatch:
  // expected smtp.example.org").
  virtual NetResult Handshake(Deadline deadline, StopSignal stop) = 0;
  virtual NetResult Send(const std::string& bytes, Deadline deadline, StopSignal stop) = 0;
  // As ReceiveSome: appends at most `limit` bytes once some came.
  virtual NetResult Receive(std::string& received, size_t limit, Deadline deadline, StopSignal stop) = 0;
  virtual const std::string& ErrorText() const = 0;
};

// A stream over `socket` (which stays the caller's to close) for the server
// named `host`, the name its certificate must carry.
std::unique_ptr<TlsStream> MakeTlsStream(SocketHandle socket, const std::string& host, const TlsTrust& trust);

// The pin as 64 lower-case hex digits; empty when `pin` is not a SHA-256
// fingerprint.
std::string NormalisedPin(const std::string& pin);

}  // namespace taruk
