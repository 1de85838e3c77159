// taruk-tls.so's entry (linux/system/tls_stream_module.h): TLS through
// OpenSSL 3.

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "linux/system/tls_stream_module.h"

#define TARUK_MODULE_ENTRY extern "C" __attribute__((visibility("default")))

namespace taruk {

namespace {

std::string LastOpenSslError() {
  const unsigned long code = ERR_peek_last_error();
  ERR_clear_error();
  if (code == 0) return "the connection broke";
  const char* reason = ERR_reason_error_string(code);
  return reason ? reason : "error " + std::to_string(code);
}

// OpenSSL names a missing file only as a "system lib" failure.
bool Readable(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "r");
  if (!file) return false;
  std::fclose(file);
  return true;
}

std::string HexFingerprint(X509* certificate) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (!certificate || X509_digest(certificate, EVP_sha256(), digest, &size) != 1) return {};
  std::string hex;
  for (unsigned int i = 0; i < size; ++i) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", digest[i]);
    hex += pair;
  }
  return hex;
}

class OpenSslStream final : public TlsStream {
 public:
  OpenSslStream(SocketHandle socket, std::string host, TlsTrust trust, const tls_module::CallerCalls& calls)
      : socket_(socket), host_(std::move(host)), trust_(std::move(trust)), calls_(calls) {}
  ~OpenSslStream() override {
    SSL_free(ssl_);
    SSL_CTX_free(context_);
  }
  OpenSslStream(const OpenSslStream&) = delete;
  OpenSslStream& operator=(const OpenSslStream&) = delete;

  NetResult Handshake(Deadline deadline, StopSignal stop) override {
    if (!Prepare()) return NetResult::Failed;
    const NetResult result = Step([this] { return SSL_connect(ssl_); }, deadline, stop);
    if (result == NetResult::Failed || result == NetResult::Closed) {
      DescribeHandshakeFailure(result);
      return NetResult::Failed;
    }
    if (result != NetResult::Ok) return result;
    if (!pin_.empty()) {
      X509* certificate = SSL_get0_peer_certificate(ssl_);
      const std::string got = HexFingerprint(certificate);
      if (got != pin_) {
        error_ = "certificate fingerprint mismatch: expected " + pin_ + ", the server's is " + got;
        return NetResult::Failed;
      }
    }
    return NetResult::Ok;
  }

  NetResult Send(const std::string& bytes, Deadline deadline, StopSignal stop) override {
    size_t sent = 0;
    while (sent < bytes.size()) {
      int count = 0;
      const NetResult result = Step(
          [&] {
            count =
                SSL_write(ssl_, bytes.data() + sent, static_cast<int>(std::min<size_t>(bytes.size() - sent, 1 << 20)));
            return count;
          },
          deadline, stop);
      if (result != NetResult::Ok) return Failure(result);
      sent += static_cast<size_t>(count);
    }
    return NetResult::Ok;
  }

  NetResult Receive(std::string& received, size_t limit, Deadline deadline, StopSignal stop) override {
    char buffer[4096];
    const int wanted = static_cast<int>(limit < sizeof buffer ? limit : sizeof buffer);
    if (wanted == 0) return NetResult::Failed;
    int count = 0;
    const NetResult result = Step(
        [&] {
          count = SSL_read(ssl_, buffer, wanted);
          return count;
        },
        deadline, stop);
    if (result != NetResult::Ok) return Failure(result);
    received.append(buffer, static_cast<size_t>(count));
    return NetResult::Ok;
  }

  const std::string& ErrorText() const override { return error_; }

 private:
  bool Prepare() {
    if (!trust_.pinSha256.empty()) {
      pin_ = calls_.normalisedPin(trust_.pinSha256);
      if (pin_.empty()) {
        error_ = "the pinned fingerprint is not a SHA-256 fingerprint (64 hex digits)";
        return false;
      }
    }
    context_ = SSL_CTX_new(TLS_client_method());
    if (!context_) return Refuse("TLS can't be set up: " + LastOpenSslError());
    SSL_CTX_set_min_proto_version(context_, TLS1_2_VERSION);
    if (pin_.empty()) {
      SSL_CTX_set_verify(context_, SSL_VERIFY_PEER, nullptr);
      SSL_CTX_set_default_verify_paths(context_);
      if (!trust_.caFile.empty() && !Readable(trust_.caFile)) {
        return Refuse("can't read the CA file " + trust_.caFile + ": " + std::strerror(errno));
      }
      if (!trust_.caFile.empty() && SSL_CTX_load_verify_locations(context_, trust_.caFile.c_str(), nullptr) != 1) {
        return Refuse("can't read the CA file " + trust_.caFile + ": " + LastOpenSslError());
      }
    } else {
      // The fingerprint alone decides, after the handshake.
      SSL_CTX_set_verify(context_, SSL_VERIFY_NONE, nullptr);
    }
    ssl_ = SSL_new(context_);
    if (!ssl_ || SSL_set_fd(ssl_, static_cast<int>(socket_)) != 1)
      return Refuse("TLS can't be set up: " + LastOpenSslError());
    ASN1_OCTET_STRING* address = a2i_IPADDRESS(host_.c_str());
    X509_VERIFY_PARAM* check = SSL_get0_param(ssl_);
    if (address) {
      ASN1_OCTET_STRING_free(address);
      X509_VERIFY_PARAM_set1_ip_asc(check, host_.c_str());
    } else {
      // The name goes to the server too (SNI), so a shared host picks the
      // right certificate.
      SSL_set_tlsext_host_name(ssl_, host_.c_str());
      X509_VERIFY_PARAM_set_hostflags(check, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
      SSL_set1_host(ssl_, host_.c_str());
    }
    return true;
  }

  bool Refuse(std::string text) {
    error_ = std::move(text);
    return false;
  }

  void DescribeHandshakeFailure(NetResult result) {
    const long verdict = SSL_get_verify_result(ssl_);
    if (pin_.empty() && verdict != X509_V_OK) {
      ERR_clear_error();
      switch (verdict) {
        case X509_V_ERR_HOSTNAME_MISMATCH:
        case X509_V_ERR_IP_ADDRESS_MISMATCH:
          error_ = "certificate name mismatch: expected " + host_;
          return;
        case X509_V_ERR_CERT_HAS_EXPIRED:
          error_ = "certificate expired";
          return;
        case X509_V_ERR_CERT_NOT_YET_VALID:
          error_ = "certificate not valid yet";
          return;
        default:
          error_ = std::string("certificate not trusted: ") + X509_verify_cert_error_string(verdict);
          return;
      }
    }
    error_ = "TLS handshake failed: " +
             (result == NetResult::Closed ? std::string("the server closed the connection") : LastOpenSslError());
  }

  NetResult Failure(NetResult result) {
    if (result == NetResult::Failed) error_ = "TLS: " + LastOpenSslError();
    return result;
  }

  // Runs one OpenSSL call until it gets through, waiting on the socket for
  // whatever it asks for.
  template <typename Call>
  NetResult Step(Call call, Deadline deadline, StopSignal stop) {
    for (;;) {
      const int returned = call();
      if (returned > 0) return NetResult::Ok;
      const int reason = SSL_get_error(ssl_, returned);
      if (reason == SSL_ERROR_ZERO_RETURN) return NetResult::Closed;
      if (reason != SSL_ERROR_WANT_READ && reason != SSL_ERROR_WANT_WRITE) {
        return reason == SSL_ERROR_SYSCALL && ERR_peek_error() == 0 ? NetResult::Closed : NetResult::Failed;
      }
      const NetResult waited = calls_.waitUntilReady(socket_, reason == SSL_ERROR_WANT_WRITE, deadline, stop);
      if (waited != NetResult::Ok) return waited;
    }
  }

  SocketHandle socket_;
  std::string host_;
  TlsTrust trust_;
  tls_module::CallerCalls calls_;
  std::string pin_;
  std::string error_;
  SSL_CTX* context_ = nullptr;
  SSL* ssl_ = nullptr;
};

}  // namespace

}  // namespace taruk

TARUK_MODULE_ENTRY taruk::TlsStream* taruk_tls_stream(taruk::SocketHandle socket, const std::string& host,
                                                      const taruk::TlsTrust& trust,
                                                      const taruk::tls_module::CallerCalls& calls) {
  return new taruk::OpenSslStream(socket, host, trust, calls);
}
