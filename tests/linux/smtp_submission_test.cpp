// Mail through the local Postfix's submission ports, as a user of a mail
// provider sends it: STARTTLS on 587, TLS from the start on 465, AUTH PLAIN
// there and AUTH LOGIN alone on 10587 and 10465, the account checked by
// Dovecot (scripts/services/postfix.sh). The settings come from taruk.toml,
// the password from the owner-only file, as a user would leave them; the
// mail is looked for in the user's mailbox.

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "core/alarm/alarm_dispatch.h"
#include "core/base/path_text.h"
#include "core/mail/mail_text.h"
#include "core/mail/test_email.h"
#include "core/settings/side_settings.h"
#include "support/aiosmtpd_server.h"
#include "support/recording_platform.h"
#include "support/settings_fixture.h"

using namespace taruk;

namespace {

// The test mail's failure message, empty when it was sent.
std::wstring TestEmailFailure(const std::wstring& address, const std::wstring& server, uint32_t port) {
  std::wstring failure;
  SendTestEmail(address, server, port, [&failure](const std::wstring& message) { failure = message; });
  return failure;
}

using namespace std::chrono_literals;

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The mailbox's text once it holds `marker`; what it holds after 30 s else.
std::string MailboxWith(const std::string& marker) {
  const passwd* user = getpwuid(getuid());
  const std::string spool = Environment("TARUK_MAIL_SPOOL");
  const std::string mailbox = (spool.empty() ? "/var/mail" : spool) + "/" + (user ? user->pw_name : "root");
  std::string text;
  for (int attempt = 0; attempt < 300 && text.find(marker) == std::string::npos; ++attempt) {
    std::this_thread::sleep_for(100ms);
    std::ifstream file(mailbox, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    text = content.str();
  }
  return text;
}

std::string Unique(const std::string& what) {
  return what + "-" + std::to_string(getpid()) + "-" +
         std::to_string(std::chrono::system_clock::now().time_since_epoch().count());
}

class SmtpSubmission : public SettingsFileTest {
 protected:
  void SetUp() override {
    if (Environment("TARUK_SUBMISSION_USER").empty() || !SomethingListensOn(587)) {
      GTEST_SKIP() << "no submission ports; start the local mail system with scripts/services/postfix.sh start "
                      "and export what it prints (scripts/test.sh does it)";
    }
    Load();  // makes the settings folder
  }

  void UsePort(int port, const char* security) {
    std::string error;
    ASSERT_TRUE(ChangeSideSettings({{"mail", "port", SideValue{int64_t{port}}},
                                    {"mail", "security", SideValue{std::string(security)}},
                                    {"mail", "user", SideValue{Environment("TARUK_SUBMISSION_USER")}},
                                    {"mail", "ca-file", SideValue{Environment("TARUK_SUBMISSION_CA")}}},
                                   error))
        << error;
  }

  void SetPassword(const std::string& password, mode_t mode) {
    const std::string file = folder + "/smtp-password";
    ASSERT_TRUE(WriteFileBytes(file, password + "\n"));
    ASSERT_EQ(chmod(file.c_str(), mode), 0);
  }

  std::wstring Address() const {
    const passwd* user = getpwuid(getuid());
    return FromWireBytes(std::string(user ? user->pw_name : "root") + "@localhost");
  }
};

}  // namespace

TEST_F(SmtpSubmission, AlarmAndTestMailArriveOver587And465WithPlainAndLogin) {
  SetPassword(Environment("TARUK_SUBMISSION_PASSWORD"), 0600);
  const struct {
    int port;
    const char* security;
    const char* mechanism;
  } cases[] = {
      {587, "starttls", "PLAIN"}, {465, "tls", "PLAIN"}, {10587, "starttls", "LOGIN"}, {10465, "tls", "LOGIN"}};
  for (const auto& c : cases) {
    UsePort(c.port, c.security);
    const std::string alarmMarker = Unique("alarm-" + std::to_string(c.port));
    AlarmMessage message;
    message.subject = L"Taruk - critical temperature reached";
    message.body = PathBytesToWide(alarmMarker);
    RecordingPlatform platform;
    // The server field names no port: taruk.toml's is taken.
    SendAlarmMail(message, {Address(), L"localhost"}, platform);
    ASSERT_EQ(platform.calls.size(), 1u);
    EXPECT_NE(platform.calls[0].find(L"|sent|250 2.0.0 Ok: queued as "), std::wstring::npos)
        << c.port << " " << ToWireBytes(platform.calls[0]);
    EXPECT_NE(MailboxWith(alarmMarker).find(alarmMarker), std::string::npos) << c.port << " " << c.mechanism;

    EXPECT_EQ(TestEmailFailure(Address(), L"localhost", 25), L"") << c.port;
  }
  // Postfix's log says how each logged in (sasl_method=PLAIN, LOGIN).
}

TEST_F(SmtpSubmission, PasswordsThatCannotLogInSayWhereTheyWereLookedFor) {
  UsePort(587, "starttls");
  SetPassword("not-the-password", 0600);
  EXPECT_EQ(TestEmailFailure(Address(), L"localhost", 25),
            L"Can't connect to the SMTP server!\n\n535 5.7.8 Error: authentication failed: (reason unavailable)");

  SetPassword(Environment("TARUK_SUBMISSION_PASSWORD"), 0644);
  ScopedEnv noBus("DBUS_SESSION_BUS_ADDRESS", "");
  const std::wstring refused = TestEmailFailure(Address(), L"localhost", 25);
  EXPECT_EQ(refused, PathBytesToWide("Can't connect to the SMTP server!\n\nNo password for " +
                                     Environment("TARUK_SUBMISSION_USER") +
                                     " at localhost: looked in the Secret Service: no session D-Bus; " + folder +
                                     "/smtp-password: refused, others may read it (mode 0644; chmod 600 it)"));
  // The alarm mail (the headless monitor's log line) says the same.
  AlarmMessage message;
  message.subject = L"Taruk - critical temperature reached";
  RecordingPlatform platform;
  SendAlarmMail(message, {Address(), L"localhost"}, platform);
  ASSERT_EQ(platform.calls.size(), 1u);
  EXPECT_NE(platform.calls[0].find(refused.substr(refused.find(L"No password for"))), std::wstring::npos)
      << ToWireBytes(platform.calls[0]);
}
