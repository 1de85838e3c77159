// The SMTP client over TLS against real servers on loopback: aiosmtpd with
// certificates made for this run, and bare sockets for what no server does
// willingly (bytes injected before the handshake, a handshake that stalls).

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "core/base/path_text.h"
#include "core/mail/smtp_client.h"
#include "support/aiosmtpd_server.h"
#include "support/scratch_dir.h"
#include "support/stop_trigger.h"

using namespace taruk;

namespace {

using namespace std::chrono_literals;

constexpr char kUser[] = "ann";
constexpr char kPassword[] = "s3cret pass:\xC3\xA9";

class SmtpTls : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    certs = new ScratchDir();
    const std::string command = "bash " TARUK_TEST_DATA_DIR "/../support/make_test_certs.sh " + certs->path();
    made = std::system(command.c_str()) == 0;
  }
  static void TearDownTestSuite() {
    delete certs;
    certs = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(made) << "make_test_certs.sh failed"; }

  static std::string Cert(const std::string& name) { return *certs / (name + ".crt"); }
  static std::string Key(const std::string& name) { return *certs / (name + ".key"); }
  static std::string Fingerprint(const std::string& name) {
    const std::string command = "openssl x509 -noout -fingerprint -sha256 -in " + Cert(name);
    FILE* pipe = popen(command.c_str(), "r");
    char line[256] = {};
    if (!pipe || !fgets(line, sizeof line, pipe)) return {};
    pclose(pipe);
    std::string text = line;
    return text.substr(text.find('=') + 1, 95);
  }

  bool Start(AiosmtpdServer& server, const std::string& mode, const std::string& cert = "localhost") {
    std::string failure;
    const bool started = server.StartTls(failure, mode, Cert(cert), Key(cert));
    EXPECT_TRUE(started) << failure;
    return started;
  }

  // One server for each mode and certificate, shared by the cases of a test:
  // a server takes a second to start.
  AiosmtpdServer* Server(const std::string& mode, const std::string& cert = "localhost") {
    auto& server = servers[mode + " " + cert];
    if (!server) {
      server = std::make_unique<AiosmtpdServer>();
      if (!Start(*server, mode, cert)) server.reset();
    }
    return server.get();
  }

  std::map<std::string, std::unique_ptr<AiosmtpdServer>> servers;

  static ScratchDir* certs;
  static bool made;
};

ScratchDir* SmtpTls::certs = nullptr;
bool SmtpTls::made = false;

struct Account {
  // caFile empty: the test CA.
  Account(SmtpSecurity security, std::string host = "localhost", std::string caFile = "", std::string pin = "",
          std::string user = kUser, std::string password = kPassword)
      : security(security),
        host(std::move(host)),
        caFile(std::move(caFile)),
        pin(std::move(pin)),
        user(std::move(user)),
        password(std::move(password)) {}
  SmtpSecurity security;
  std::string host;
  std::string caFile;
  std::string pin;
  std::string user;
  std::string password;
};

COutgoingMail TestMail() {
  COutgoingMail mail;
  mail.from = L"taruk@example.org";
  mail.subject = L"Test e-mail from Taruk";
  mail.body = L"It works";
  mail.AddRecipient(L"ann@example.org", L"ann@example.org");
  return mail;
}

void Configure(CSmtpClient& client, const Account& account, const std::string& caFile) {
  client.security = account.security;
  client.trust.caFile = account.caFile.empty() ? caFile : account.caFile;
  client.trust.pinSha256 = account.pin;
  client.user = account.user;
  client.password = account.password;
}

// Connect, send, disconnect: lastError of the first step that failed.
std::wstring Exchange(CSmtpClient& client) {
  COutgoingMail mail = TestMail();
  const bool sent = client.Connect() && client.Send(mail);
  const std::wstring error = client.LastError();
  client.Disconnect();
  return sent ? L"" : error;
}

}  // namespace

TEST_F(SmtpTls, MailArrivesOverStartTlsAndTlsWithPlainAndLogin) {
  const struct {
    const char* mode;
    Account account;
  } cases[] = {
      {"starttls", {SmtpSecurity::StartTls}},
      {"login-only", {SmtpSecurity::StartTls}},
      {"tls", {SmtpSecurity::Tls}},
      {"tls", {SmtpSecurity::Tls, "127.0.0.1"}},  // an address is checked against the certificate's
      // A pinned certificate needs no CA at all.
      {"starttls", {SmtpSecurity::StartTls, "localhost", "/nonexistent-is-not-read", Fingerprint("localhost")}},
  };
  for (const auto& c : cases) {
    AiosmtpdServer* server = Server(c.mode);
    if (!server) continue;
    const size_t before = server->Messages().size();
    CSmtpClient client(PathBytesToWide(c.account.host), server->Port(), {5s, 5s, 5s});
    Configure(client, c.account, Cert("ca"));
    if (!c.account.pin.empty()) client.trust.caFile.clear();
    EXPECT_EQ(Exchange(client), L"") << c.mode << " " << c.account.host;
    const auto messages = server->Messages();
    ASSERT_EQ(messages.size(), before + 1) << c.mode;
    EXPECT_NE(messages.back().find("It works"), std::string::npos);
  }
}

// Every refusal, with the text the user sees (the test e-mail shows it).
TEST_F(SmtpTls, RefusalsSayWhyInTheUsersWords) {
  const std::string expiredPin = NormalisedPin(Fingerprint("expired"));
  const struct {
    const char* what;
    const char* mode;
    const char* cert;
    Account account;
    std::wstring seen;
  } cases[] = {
      {"STARTTLS required, not offered",
       "no-starttls",
       "localhost",
       {SmtpSecurity::StartTls},
       L"The server does not offer STARTTLS"},
      {"wrong password",
       "starttls",
       "localhost",
       {SmtpSecurity::StartTls, "localhost", "", "", kUser, "wrong"},
       L"535 5.7.8 Authentication credentials invalid"},
      {"wrong password, LOGIN",
       "login-only",
       "localhost",
       {SmtpSecurity::StartTls, "localhost", "", "", "bob"},
       L"535 5.7.8 Authentication credentials invalid"},
      {"certificate for another name",
       "tls",
       "other-name",
       {SmtpSecurity::Tls},
       L"certificate name mismatch: expected localhost"},
      {"certificate for another address",
       "tls",
       "other-name",
       {SmtpSecurity::Tls, "127.0.0.1"},
       L"certificate name mismatch: expected 127.0.0.1"},
      {"untrusted CA",
       "starttls",
       "untrusted",
       {SmtpSecurity::StartTls},
       L"certificate not trusted: unable to get local issuer certificate"},
      {"expired certificate", "tls", "expired", {SmtpSecurity::Tls}, L"certificate expired"},
      {"pin mismatch",
       "tls",
       "localhost",
       {SmtpSecurity::Tls, "localhost", "", Fingerprint("expired")},
       PathBytesToWide("certificate fingerprint mismatch: expected " + expiredPin + ", the server's is " +
                       NormalisedPin(Fingerprint("localhost")))},
      {"pin that is no fingerprint",
       "tls",
       "localhost",
       {SmtpSecurity::Tls, "localhost", "", "12:34"},
       L"the pinned fingerprint is not a SHA-256 fingerprint (64 hex digits)"},
      {"unreadable CA file",
       "tls",
       "localhost",
       {SmtpSecurity::Tls, "localhost", "/nonexistent/ca.pem"},
       L"can't read the CA file /nonexistent/ca.pem: No such file or directory"},
      {"bytes injected after the STARTTLS reply",
       "inject",
       "localhost",
       {SmtpSecurity::StartTls},
       L"The server sent data between its reply to STARTTLS and the TLS handshake (possible attack); the "
       L"connection was closed"},
      {"TLS spoken to a plain server",
       "no-starttls",
       "localhost",
       {SmtpSecurity::Tls},
       L"TLS handshake failed: wrong version number"},
      {"handshake that never ends", "stall", "localhost", {SmtpSecurity::Tls}, L"Timed out in the TLS handshake"},
      {"credentials without TLS",
       "no-starttls",
       "localhost",
       {SmtpSecurity::None},
       L"The user name and password are sent only over TLS: choose STARTTLS or TLS"},
  };
  for (const auto& c : cases) {
    AiosmtpdServer* server = Server(c.mode, c.cert);
    if (!server) continue;
    CSmtpClient client(PathBytesToWide(c.account.host), server->Port(), {2s, 2s, 2s});
    Configure(client, c.account, Cert("ca"));
    EXPECT_EQ(Exchange(client), c.seen) << c.what;
    EXPECT_TRUE(server->Messages().empty()) << c.what;
  }
}

TEST_F(SmtpTls, AStopRequestEndsAStalledHandshakeAtOnce) {
  AiosmtpdServer server;
  ASSERT_TRUE(Start(server, "stall"));
  StopTrigger stop;
  CSmtpClient client(L"localhost", server.Port());  // a minute's patience
  client.security = SmtpSecurity::Tls;
  client.stopFd = stop.signal();
  std::thread requester([&] {
    std::this_thread::sleep_for(300ms);
    stop.Raise();
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(client.Connect());
  requester.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_EQ(client.LastError(), L"Stopped: the monitor is ending");
}

TEST_F(SmtpTls, ThePortChoosesTheSecurityAndTheFieldItsPort) {
  // "localhost:PORT" in the server field; no security given: a port other
  // than 587 and 465 is plain, so the TLS server never hears a hello.
  AiosmtpdServer server;
  ASSERT_TRUE(Start(server, "tls"));
  CSmtpClient client(L"localhost:" + std::to_wstring(server.Port()), 1, {2s, 2s, 2s});
  EXPECT_EQ(Exchange(client), L"Timed out waiting for the server's reply");
  client.security = SmtpSecurity::Tls;
  client.trust.caFile = Cert("ca");
  client.user = kUser;
  client.password = kPassword;
  EXPECT_EQ(Exchange(client), L"");
  EXPECT_EQ(DefaultSecurity(25), SmtpSecurity::None);
  EXPECT_EQ(DefaultSecurity(587), SmtpSecurity::StartTls);
  EXPECT_EQ(DefaultSecurity(465), SmtpSecurity::Tls);
}
