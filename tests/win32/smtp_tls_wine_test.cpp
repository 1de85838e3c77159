// The SMTP client over SChannel, under Wine, against real servers on the
// host's loopback: the TLS servers of tests/support/tls_smtp_server.py
// (started by tests/win32/aiosmtpd_fixture.sh with certificates made for this
// run) and, when scripts/services/postfix.sh runs it, Postfix on its
// submission ports with the password in the Credential Manager.
//
// Wine's SChannel takes any certificate; every refusal below comes from the
// client's own chain, name and fingerprint check. The texts are the ones the
// Linux build shows for the same cases (tests/linux/smtp_tls_test.cpp).
// Always by name: Wine does not match addresses in certificates.

#include <windows.h>

#include <gtest/gtest.h>
#include <wincred.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "core/base/path_text.h"
#include "core/mail/smtp_client.h"
#include "core/mail/smtp_password.h"
#include "core/mail/test_email.h"
#include "core/mail/tls_stream.h"
#include "core/settings/side_settings.h"
#include "support/scratch_dir.h"
#include "support/settings_fixture.h"

using namespace taruk;
using namespace std::chrono_literals;

namespace {

const std::string kFixture = TARUK_AIOSMTPD_DIR;
constexpr char kUser[] = "ann";
constexpr char kPassword[] = "s3cret pass:\xC3\xA9";

std::string FileText(const std::string& path) {
  std::ifstream file(std::filesystem::path(PathBytesToWide(path)), std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

std::string Pin(const std::string& cert) { return Trimmed(FileText(kFixture + "/certs/" + cert + ".sha256")); }

size_t StoredCount(const std::string& server) {
  size_t count = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(kFixture + "/tls/" + server + "/Maildir/new", error)) {
    (void)entry;
    ++count;
  }
  return count;
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

// Each case: the server (mode-certificate of the fixture), what the client
// is set to, and the text the user sees; empty: the mail arrives.
TEST(WineSmtpTls, MailArrivesOrTheRefusalSaysWhyAsOnLinux) {
  const std::string ca = "Z:" + kFixture + "/certs/ca.crt";
  const std::string localPin = Pin("localhost");
  const std::string expiredPin = Pin("expired");
  const struct Case {
    const char* what;
    const char* server;
    SmtpSecurity security;
    std::string caFile;
    std::string pin;
    std::string password;
    std::string user;
    std::wstring seen;
  } cases[] = {
      {"STARTTLS, PLAIN", "starttls-localhost", SmtpSecurity::StartTls, ca, "", kPassword, kUser, L""},
      {"STARTTLS, LOGIN alone", "login-only-localhost", SmtpSecurity::StartTls, ca, "", kPassword, kUser, L""},
      {"TLS from the start", "tls-localhost", SmtpSecurity::Tls, ca, "", kPassword, kUser, L""},
      {"pinned, no CA", "starttls-localhost", SmtpSecurity::StartTls, "", localPin, kPassword, kUser, L""},
      {"STARTTLS required, not offered", "no-starttls-localhost", SmtpSecurity::StartTls, ca, "", kPassword, kUser,
       L"The server does not offer STARTTLS"},
      {"wrong password", "starttls-localhost", SmtpSecurity::StartTls, ca, "", "wrong", kUser,
       L"535 5.7.8 Authentication credentials invalid"},
      {"wrong password, LOGIN", "login-only-localhost", SmtpSecurity::StartTls, ca, "", kPassword, "bob",
       L"535 5.7.8 Authentication credentials invalid"},
      {"certificate for another name", "tls-other-name", SmtpSecurity::Tls, ca, "", kPassword, kUser,
       L"certificate name mismatch: expected localhost"},
      {"untrusted CA", "starttls-untrusted", SmtpSecurity::StartTls, ca, "", kPassword, kUser,
       L"certificate not trusted: unable to get local issuer certificate"},
      {"no CA file: the system's store alone", "tls-localhost", SmtpSecurity::Tls, "", "", kPassword, kUser,
       L"certificate not trusted: unable to get local issuer certificate"},
      {"expired certificate", "tls-expired", SmtpSecurity::Tls, ca, "", kPassword, kUser, L"certificate expired"},
      {"pin mismatch", "tls-localhost", SmtpSecurity::Tls, ca, expiredPin, kPassword, kUser,
       PathBytesToWide("certificate fingerprint mismatch: expected " + NormalisedPin(expiredPin) +
                       ", the server's is " + NormalisedPin(localPin))},
      {"pin that is no fingerprint", "tls-localhost", SmtpSecurity::Tls, ca, "12:34", kPassword, kUser,
       L"the pinned fingerprint is not a SHA-256 fingerprint (64 hex digits)"},
      {"bytes injected after the STARTTLS reply", "inject-localhost", SmtpSecurity::StartTls, ca, "", kPassword, kUser,
       L"The server sent data between its reply to STARTTLS and the TLS handshake (possible attack); the "
       L"connection was closed"},
      {"handshake that never ends", "stall-localhost", SmtpSecurity::Tls, ca, "", kPassword, kUser,
       L"Timed out in the TLS handshake"},
      {"unreadable CA file", "tls-localhost", SmtpSecurity::Tls, "Z:/nonexistent/ca.pem", "", kPassword, kUser,
       L"can't read the CA file Z:/nonexistent/ca.pem: No such file or directory"},
      {"credentials without TLS", "no-starttls-localhost", SmtpSecurity::None, ca, "", kPassword, kUser,
       L"The user name and password are sent only over TLS: choose STARTTLS or TLS"},
  };
  ASSERT_EQ(localPin.size(), 95u) << "the fixture made no certificates: " << kFixture;
  for (const Case& c : cases) {
    const std::string server = c.server;
    const int port = std::atoi(FileText(kFixture + "/tls/" + server + "/port").c_str());
    ASSERT_GT(port, 0) << server;
    const size_t before = StoredCount(server);
    CSmtpClient client(L"localhost", static_cast<uint32_t>(port), {3s, 3s, 3s});
    client.security = c.security;
    client.trust.caFile = c.caFile;
    client.trust.pinSha256 = c.pin;
    client.user = c.user;
    client.password = c.password;
    COutgoingMail mail;
    mail.from = L"taruk@example.org";
    mail.subject = L"Test e-mail from Taruk";
    mail.body = L"It works";
    mail.AddRecipient(L"ann@example.org", L"ann@example.org");
    const bool sent = client.Connect() && client.Send(mail);
    const std::wstring error = sent ? L"" : client.LastError();
    client.Disconnect();
    EXPECT_EQ(error, c.seen) << c.what;
    EXPECT_EQ(StoredCount(server), before + (c.seen.empty() ? 1 : 0)) << c.what;
  }
}

// The test e-mail as the Options dialog sends it: taruk.toml's [mail] table,
// the password written to and read back from the Credential Manager, the
// mail looked for in the user's mailbox.
class WineSmtpSubmission : public SettingsFileTest {};

TEST_F(WineSmtpSubmission, TestMailReachesPostfixWithThePasswordFromTheCredentialManager) {
  const std::string user = Environment("TARUK_SUBMISSION_USER");
  if (user.empty()) {
    GTEST_SKIP() << "no submission ports; scripts/services/postfix.sh start and export what it prints";
  }
  Load();  // makes the settings folder
  std::string store;
  std::string error;
  ASSERT_TRUE(SaveSmtpPassword("localhost", user, "not-the-password", store, error)) << error;
  ASSERT_TRUE(SaveSmtpPassword("localhost", user, Environment("TARUK_SUBMISSION_PASSWORD"), store, error)) << error;
  EXPECT_EQ(store, "the Credential Manager");
  const PasswordLookup found = FindSmtpPassword("localhost", user);
  EXPECT_TRUE(found.found);
  EXPECT_EQ(found.password, Environment("TARUK_SUBMISSION_PASSWORD"));  // the second write replaced the first
  EXPECT_EQ(found.store, "the Credential Manager");

  const std::string account = Environment("USER").empty() ? "root" : Environment("USER");
  const std::string spool = Environment("TARUK_MAIL_SPOOL").empty() ? "/var/mail" : Environment("TARUK_MAIL_SPOOL");
  const std::string mailbox = "Z:" + spool + "/" + account;
  const struct {
    int port;
    const char* security;
  } cases[] = {{587, "starttls"}, {465, "tls"}, {10587, "starttls"}, {10465, "tls"}};
  for (const auto& c : cases) {
    ASSERT_TRUE(ChangeSideSettings({{"mail", "port", SideValue{int64_t{c.port}}},
                                    {"mail", "security", SideValue{std::string(c.security)}},
                                    {"mail", "user", SideValue{user}},
                                    {"mail", "ca-file", SideValue{"Z:" + Environment("TARUK_SUBMISSION_CA")}}},
                                   error))
        << error;
    const size_t before = FileText(mailbox).size();
    std::wstring failure;
    SendTestEmail(PathBytesToWide(account + "@localhost"), L"localhost", 25,
                  [&failure](const std::wstring& message) { failure = message; });
    EXPECT_EQ(failure, L"") << c.port;
    bool arrived = false;
    for (int attempt = 0; attempt < 300 && !arrived; ++attempt) {
      std::this_thread::sleep_for(100ms);
      const std::string text = FileText(mailbox);
      arrived = text.size() > before && text.find("Test e-mail from Taruk", before) != std::string::npos;
    }
    EXPECT_TRUE(arrived) << c.port << " " << mailbox;
  }

  // Gone from the store: the test e-mail says where the password was looked for.
  ASSERT_TRUE(CredDeleteW(PathBytesToWide("Taruk/SMTP/" + user + "@localhost").c_str(), CRED_TYPE_GENERIC, 0));
  std::wstring failure;
  SendTestEmail(PathBytesToWide(account + "@localhost"), L"localhost", 25,
                [&failure](const std::wstring& message) { failure = message; });
  EXPECT_EQ(failure, PathBytesToWide("Can't connect to the SMTP server!\n\nNo password for " + user +
                                     " at localhost: looked in the Credential Manager: no password stored for " + user +
                                     "@localhost; " + scratch.path() + "\\Taruk\\smtp-password: missing"));
}
