// Where the SMTP password is found: a real gnome-keyring on a private session
// bus (libsecret), a systemd credentials folder, the owner-only file.

#include "core/mail/smtp_password.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <string>

#include "support/child_process.h"
#include "support/private_buses.h"
#include "support/settings_fixture.h"

using namespace taruk;

namespace {

using namespace std::chrono_literals;

class SmtpPassword : public SettingsFileTest {
 protected:
  void SetUp() override { Load(); }
  void PasswordFile(const std::string& text, mode_t mode) {
    ASSERT_TRUE(WriteFileBytes(folder + "/smtp-password", text));
    ASSERT_EQ(chmod((folder + "/smtp-password").c_str(), mode), 0);
  }
};

}  // namespace

TEST_F(SmtpPassword, ARealKeyringKeepsItAndTheServiceCredentialComesFirst) {
  PrivateBuses buses;
  std::string problem;
  if (!buses.Start(problem)) GTEST_SKIP() << problem;
  ScratchDir home;
  ScopedEnv homeVariable("HOME", home.path());
  ScopedEnv dataHome("XDG_DATA_HOME", home.path());
  ScopedEnv runtime("XDG_RUNTIME_DIR", home.path());
  ChildProcess keyring;
  if (RunShell("command -v gnome-keyring-daemon").empty())
    GTEST_SKIP() << "no gnome-keyring (scripts/install-deps.sh test)";
  ASSERT_TRUE(keyring.Start(
      {"sh", "-c", "printf unlock | exec gnome-keyring-daemon --foreground --unlock --components=secrets"},
      home / "keyring.out", home / "keyring.err"));
  ASSERT_TRUE(WaitUntil(
      [] {
        return RunShell(
                   "dbus-send --session --print-reply --dest=org.freedesktop.DBus / "
                   "org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets")
                   .find("boolean true") != std::string::npos;
      },
      15s))
      << ReadFileBytes(home / "keyring.err");

  std::string store;
  std::string error;
  ASSERT_TRUE(SaveSmtpPassword("smtp.example.org", "ann", "pass w\xC3\xB6rd", store, error)) << error;
  EXPECT_EQ(store, "the Secret Service");
  EXPECT_EQ(ReadFileBytes(folder + "/smtp-password"), "<missing>");  // not in a file too
  PasswordLookup found = FindSmtpPassword("smtp.example.org", "ann");
  EXPECT_TRUE(found.found) << found.lookedIn;
  EXPECT_EQ(found.password, "pass w\xC3\xB6rd");
  EXPECT_EQ(found.store, "the Secret Service");
  found = FindSmtpPassword("smtp.example.org", "bob");
  EXPECT_FALSE(found.found);
  EXPECT_EQ(found.lookedIn,
            "the Secret Service: no password stored for bob@smtp.example.org; " + folder + "/smtp-password: missing");

  ScratchDir credentials;
  ASSERT_TRUE(WriteFileBytes(credentials / "smtp-password", "from-systemd\n"));
  ScopedEnv service("CREDENTIALS_DIRECTORY", credentials.path());
  found = FindSmtpPassword("smtp.example.org", "ann");
  EXPECT_EQ(found.password, "from-systemd");
  EXPECT_EQ(found.store, credentials / "smtp-password");
}

TEST_F(SmtpPassword, TheLastResortFileIsTakenOnlyWhenItIsTheOwnersAlone) {
  ScopedEnv noBus("DBUS_SESSION_BUS_ADDRESS", "");
  ScopedEnv noService("CREDENTIALS_DIRECTORY", std::nullopt);
  const struct {
    mode_t mode;
    bool found;
    std::string why;
  } cases[] = {
      {0600, true, ""},
      {0400, true, ""},
      {0640, false, "refused, others may read it (mode 0640; chmod 600 it)"},
      {0604, false, "refused, others may read it (mode 0604; chmod 600 it)"},
  };
  for (const auto& c : cases) {
    PasswordFile("secret\r\n", c.mode);
    const PasswordLookup found = FindSmtpPassword("localhost", "ann");
    EXPECT_EQ(found.found, c.found) << c.mode;
    if (c.found) {
      EXPECT_EQ(found.password, "secret");
      EXPECT_EQ(found.store, folder + "/smtp-password");
    } else {
      EXPECT_EQ(found.lookedIn, "the Secret Service: no session D-Bus; " + folder + "/smtp-password: " + c.why);
    }
  }
}
