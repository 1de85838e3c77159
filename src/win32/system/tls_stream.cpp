// TLS through SChannel: no library beside the system's. SChannel is told not
// to judge the server's certificate (Wine's never does), and the chain and
// the name are checked here after the handshake, with the system's own
// certificate calls: the same check on Windows and under Wine.

#include "core/mail/tls_stream.h"

#define SECURITY_WIN32
#include <winsock2.h>

#include <windows.h>

#include <bcrypt.h>
#include <schannel.h>
#include <security.h>
#include <wincrypt.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "core/base/path_text.h"
#include "win32/system/win32_error.h"

namespace taruk {

namespace {

constexpr unsigned long kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                        ISC_REQ_EXTENDED_ERROR | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM;
constexpr size_t kMaxRecordBytes = 64 * 1024;
// The SSL policy's "unknown CA" switch (wininet.h's name for it).
constexpr DWORD kIgnoreUnknownCa = 0x00000100;

std::string StatusText(SECURITY_STATUS status) {
  std::string text = Win32ErrorUtf8(static_cast<unsigned long>(status));
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(status));
  return text.empty() ? code : text + " (" + code + ")";
}

std::string HexSha256(const BYTE* data, DWORD size) {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  UCHAR digest[32];
  bool done = BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) == 0 &&
              BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0 &&
              BCryptHashData(hash, const_cast<PUCHAR>(data), size, 0) == 0 &&
              BCryptFinishHash(hash, digest, sizeof digest, 0) == 0;
  if (hash) BCryptDestroyHash(hash);
  if (algorithm) BCryptCloseAlgorithmProvider(algorithm, 0);
  if (!done) return {};
  std::string hex;
  for (const UCHAR byte : digest) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", byte);
    hex += pair;
  }
  return hex;
}

// The certificates of a PEM file, in a store of their own; null when the
// file can't be read or holds none.
HCERTSTORE LoadCaFile(const std::string& path, std::string& error) {
  std::ifstream file(std::filesystem::path(PathBytesToWide(path)), std::ios::binary);
  if (!file) {
    error = "can't read the CA file " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  std::ostringstream text;
  text << file.rdbuf();
  const std::string pem = text.str();
  HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
  size_t at = 0;
  int added = 0;
  while (store && (at = pem.find("-----BEGIN CERTIFICATE-----", at)) != std::string::npos) {
    const size_t end = pem.find("-----END CERTIFICATE-----", at);
    if (end == std::string::npos) break;
    const std::string block = pem.substr(at, end + 25 - at);
    at = end + 25;
    DWORD size = 0;
    if (!CryptStringToBinaryA(block.c_str(), static_cast<DWORD>(block.size()), CRYPT_STRING_BASE64HEADER, nullptr,
                              &size, nullptr, nullptr)) {
      continue;
    }
    std::vector<BYTE> der(size);
    if (CryptStringToBinaryA(block.c_str(), static_cast<DWORD>(block.size()), CRYPT_STRING_BASE64HEADER, der.data(),
                             &size, nullptr, nullptr) &&
        CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), size, CERT_STORE_ADD_ALWAYS, nullptr)) {
      ++added;
    }
  }
  if (added == 0) {
    if (store) CertCloseStore(store, 0);
    error = "can't read the CA file " + path + ": no certificate in it";
    return nullptr;
  }
  return store;
}

class SchannelStream final : public TlsStream {
 public:
  SchannelStream(SocketHandle socket, std::string host, TlsTrust trust)
      : socket_(socket), host_(std::move(host)), trust_(std::move(trust)) {}
  ~SchannelStream() override {
    if (haveContext_) DeleteSecurityContext(&context_);
    if (haveCredentials_) FreeCredentialsHandle(&credentials_);
  }
  SchannelStream(const SchannelStream&) = delete;
  SchannelStream& operator=(const SchannelStream&) = delete;

  NetResult Handshake(Deadline deadline, StopSignal stop) override {
    if (!trust_.pinSha256.empty() && (pin_ = NormalisedPin(trust_.pinSha256)).empty()) {
      return Fail("the pinned fingerprint is not a SHA-256 fingerprint (64 hex digits)");
    }
    SCHANNEL_CRED settings{};
    settings.dwVersion = SCHANNEL_CRED_VERSION;
    // TLS 1.2: what every mail provider speaks, and what SCHANNEL_CRED can
    // ask for on every Windows (and in Wine).
    settings.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
    settings.dwFlags = SCH_CRED_NO_DEFAULT_CREDS | SCH_CRED_MANUAL_CRED_VALIDATION | SCH_USE_STRONG_CRYPTO;
    TimeStamp expiry{};
    SECURITY_STATUS status =
        AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND, nullptr, &settings,
                                  nullptr, nullptr, &credentials_, &expiry);
    if (status != SEC_E_OK) return Fail("TLS can't be set up: " + StatusText(status));
    haveCredentials_ = true;

    std::wstring target = PathBytesToWide(host_);
    std::string incoming;
    for (bool first = true;; first = false) {
      SecBuffer input[2] = {{static_cast<unsigned long>(incoming.size()), SECBUFFER_TOKEN, incoming.data()},
                            {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc inputs{SECBUFFER_VERSION, 2, input};
      SecBuffer output[1] = {{0, SECBUFFER_TOKEN, nullptr}};
      SecBufferDesc outputs{SECBUFFER_VERSION, 1, output};
      unsigned long granted = 0;
      status = InitializeSecurityContextW(&credentials_, first ? nullptr : &context_, target.data(), kContextFlags, 0,
                                          0, first ? nullptr : &inputs, 0, &context_, &outputs, &granted, nullptr);
      if (first) haveContext_ = true;
      if (output[0].pvBuffer) {
        const std::string token(static_cast<const char*>(output[0].pvBuffer), output[0].cbBuffer);
        FreeContextBuffer(output[0].pvBuffer);
        const NetResult sent = token.empty() ? NetResult::Ok : SendAll(socket_, token, deadline, stop);
        if (sent != NetResult::Ok) return Fail(sent, "TLS handshake failed: the connection broke");
      }
      if (status == SEC_E_INCOMPLETE_MESSAGE || (first && status == SEC_I_CONTINUE_NEEDED)) {
        // Keep what came; more is needed.
      } else if (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED) {
        KeepExtra(input[1], incoming);
        if (status == SEC_E_OK) break;
      } else {
        return Fail("TLS handshake failed: " + StatusText(status));
      }
      if (status == SEC_E_INCOMPLETE_MESSAGE || incoming.empty()) {
        const NetResult received = ReceiveSome(socket_, incoming, kMaxRecordBytes, deadline, stop);
        if (received == NetResult::Closed) return Fail("TLS handshake failed: the server closed the connection");
        if (received != NetResult::Ok) return Fail(received, "TLS handshake failed: the connection broke");
      }
    }
    encrypted_ = std::move(incoming);
    status = QueryContextAttributesW(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_);
    if (status != SEC_E_OK) return Fail("TLS handshake failed: " + StatusText(status));
    return CheckCertificate() ? NetResult::Ok : NetResult::Failed;
  }

  NetResult Send(const std::string& bytes, Deadline deadline, StopSignal stop) override {
    for (size_t sent = 0; sent < bytes.size();) {
      const size_t piece = std::min<size_t>(bytes.size() - sent, sizes_.cbMaximumMessage);
      std::string record(sizes_.cbHeader + piece + sizes_.cbTrailer, '\0');
      std::copy_n(bytes.data() + sent, piece, record.data() + sizes_.cbHeader);
      SecBuffer parts[4] = {{sizes_.cbHeader, SECBUFFER_STREAM_HEADER, record.data()},
                            {static_cast<unsigned long>(piece), SECBUFFER_DATA, record.data() + sizes_.cbHeader},
                            {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + sizes_.cbHeader + piece},
                            {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc message{SECBUFFER_VERSION, 4, parts};
      const SECURITY_STATUS status = EncryptMessage(&context_, 0, &message, 0);
      if (status != SEC_E_OK) return Fail("TLS: " + StatusText(status));
      record.resize(parts[0].cbBuffer + parts[1].cbBuffer + parts[2].cbBuffer);
      const NetResult result = SendAll(socket_, record, deadline, stop);
      if (result != NetResult::Ok) return result;
      sent += piece;
    }
    return NetResult::Ok;
  }

  NetResult Receive(std::string& received, size_t limit, Deadline deadline, StopSignal stop) override {
    while (plain_.empty()) {
      if (!encrypted_.empty()) {
        SecBuffer parts[4] = {{static_cast<unsigned long>(encrypted_.size()), SECBUFFER_DATA, encrypted_.data()},
                              {0, SECBUFFER_EMPTY, nullptr},
                              {0, SECBUFFER_EMPTY, nullptr},
                              {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc message{SECBUFFER_VERSION, 4, parts};
        const SECURITY_STATUS status = DecryptMessage(&context_, &message, 0, nullptr);
        if (status == SEC_I_CONTEXT_EXPIRED) return NetResult::Closed;
        if (status == SEC_E_OK) {
          std::string extra;
          for (SecBuffer& part : parts) {
            if (part.BufferType == SECBUFFER_DATA)
              plain_.append(static_cast<const char*>(part.pvBuffer), part.cbBuffer);
            if (part.BufferType == SECBUFFER_EXTRA)
              extra.assign(static_cast<const char*>(part.pvBuffer), part.cbBuffer);
          }
          encrypted_ = std::move(extra);
          continue;
        }
        if (status != SEC_E_INCOMPLETE_MESSAGE) return Fail("TLS: " + StatusText(status));
      }
      const NetResult result = ReceiveSome(socket_, encrypted_, kMaxRecordBytes, deadline, stop);
      if (result != NetResult::Ok) return result;
    }
    const size_t count = std::min(limit, plain_.size());
    if (count == 0) return NetResult::Failed;
    received.append(plain_, 0, count);
    plain_.erase(0, count);
    return NetResult::Ok;
  }

  const std::string& ErrorText() const override { return error_; }

 private:
  static void KeepExtra(const SecBuffer& extra, std::string& incoming) {
    if (extra.BufferType == SECBUFFER_EXTRA && extra.cbBuffer <= incoming.size()) {
      incoming.erase(0, incoming.size() - extra.cbBuffer);
    } else {
      incoming.clear();
    }
  }

  NetResult Fail(std::string text) {
    error_ = std::move(text);
    return NetResult::Failed;
  }
  NetResult Fail(NetResult result, std::string text) {
    if (result == NetResult::Failed) error_ = std::move(text);
    return result;
  }

  bool CheckCertificate() {
    PCCERT_CONTEXT certificate = nullptr;
    const SECURITY_STATUS status = QueryContextAttributesW(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate);
    if (status != SEC_E_OK || !certificate) {
      error_ = "the server sent no certificate";
      return false;
    }
    const bool trusted = pin_.empty() ? CheckChain(certificate) : CheckPin(certificate);
    CertFreeCertificateContext(certificate);
    return trusted;
  }

  bool CheckPin(PCCERT_CONTEXT certificate) {
    const std::string got = HexSha256(certificate->pbCertEncoded, certificate->cbCertEncoded);
    if (got == pin_) return true;
    error_ = "certificate fingerprint mismatch: expected " + pin_ + ", the server's is " + got;
    return false;
  }

  bool CheckChain(PCCERT_CONTEXT certificate) {
    HCERTSTORE extra = nullptr;
    if (!trust_.caFile.empty() && !(extra = LoadCaFile(trust_.caFile, error_))) return false;
    CERT_CHAIN_PARA request{};
    request.cbSize = sizeof request;
    LPSTR serverAuth = const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH);
    request.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    request.RequestedUsage.Usage.cUsageIdentifier = 1;
    request.RequestedUsage.Usage.rgpszUsageIdentifier = &serverAuth;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    const bool built = CertGetCertificateChain(nullptr, certificate, nullptr, extra ? extra : certificate->hCertStore,
                                               &request, 0, nullptr, &chain);
    if (!built || !chain) {
      if (extra) CertCloseStore(extra, 0);
      error_ = "certificate not trusted: its chain can't be built";
      return false;
    }
    DWORD verdict = PolicyVerdict(chain, 0);
    // A root that is not the system's but the user's own CA file is trusted
    // as the system's would be; the rest of the check stands.
    const bool usersRoot = extra && RootIsIn(chain, extra);
    if (verdict == static_cast<DWORD>(CERT_E_UNTRUSTEDROOT) && usersRoot) {
      verdict = PolicyVerdict(chain, kIgnoreUnknownCa);
    }
    // Wine's SSL policy passes a chain that ends short of any root, or at a
    // root nobody trusts; the chain's own status says so.
    const DWORD status = chain->TrustStatus.dwErrorStatus;
    if (verdict == 0 &&
        ((status & CERT_TRUST_IS_PARTIAL_CHAIN) || ((status & CERT_TRUST_IS_UNTRUSTED_ROOT) && !usersRoot))) {
      verdict = static_cast<DWORD>(CERT_E_UNTRUSTEDROOT);
    }
    CertFreeCertificateChain(chain);
    if (extra) CertCloseStore(extra, 0);
    switch (verdict) {
      case 0:
        return true;
      case static_cast<DWORD>(CERT_E_CN_NO_MATCH):
        error_ = "certificate name mismatch: expected " + host_;
        return false;
      case static_cast<DWORD>(CERT_E_EXPIRED):
        error_ = "certificate expired";
        return false;
      case static_cast<DWORD>(CERT_E_UNTRUSTEDROOT):
      case static_cast<DWORD>(CERT_E_CHAINING):
        error_ = "certificate not trusted: unable to get local issuer certificate";
        return false;
      default:
        error_ = "certificate not trusted: " + StatusText(static_cast<SECURITY_STATUS>(verdict));
        return false;
    }
  }

  DWORD PolicyVerdict(PCCERT_CHAIN_CONTEXT chain, DWORD ignored) {
    std::wstring name = PathBytesToWide(host_);
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.fdwChecks = ignored;
    ssl.pwszServerName = name.data();
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    // Revocation lists may be out of reach: soft-fail, as browsers do.
    policy.dwFlags = CERT_CHAIN_POLICY_IGNORE_ALL_REV_UNKNOWN_FLAGS;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status)) {
      return static_cast<DWORD>(CERT_E_CHAINING);
    }
    return status.dwError;
  }

  static bool RootIsIn(PCCERT_CHAIN_CONTEXT chain, HCERTSTORE store) {
    if (chain->cChain == 0 || chain->rgpChain[0]->cElement == 0) return false;
    const CERT_SIMPLE_CHAIN* simple = chain->rgpChain[0];
    PCCERT_CONTEXT root = simple->rgpElement[simple->cElement - 1]->pCertContext;
    PCCERT_CONTEXT found = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, root, nullptr);
    if (!found) return false;
    CertFreeCertificateContext(found);
    return true;
  }

  SocketHandle socket_;
  std::string host_;
  TlsTrust trust_;
  std::string pin_;
  std::string error_;
  CredHandle credentials_{};
  CtxtHandle context_{};
  bool haveCredentials_ = false;
  bool haveContext_ = false;
  SecPkgContext_StreamSizes sizes_{};
  std::string encrypted_;  // received, not yet decrypted
  std::string plain_;      // decrypted, not yet handed out
};

}  // namespace

std::unique_ptr<TlsStream> MakeTlsStream(SocketHandle socket, const std::string& host, const TlsTrust& trust) {
  return std::make_unique<SchannelStream>(socket, host, trust);
}

}  // namespace taruk
