#include "core/view/mail_server_form.h"

#include <gtest/gtest.h>

#include <string>

#include "core/alarm/alarm_dispatch.h"
#include "core/base/utf8_text.h"
#include "core/settings/side_settings.h"
#include "support/scripted_server.h"
#include "support/settings_fixture.h"

using namespace taruk;

namespace {

const std::wstring kPin =
    L"4E:F9:E6:3E:39:89:7C:AA:85:9E:56:83:1D:5B:3F:3F:D3:FA:35:ED:51:6D:73:87:C5:E7:DC:43:76:7B:DB:EE";

MailServerForm Form(std::wstring server, std::wstring port, int security, std::wstring user = L"",
                    std::wstring trust = L"", std::wstring password = L"", std::wstring sender = L"") {
  return {std::move(server), std::move(port),     security,         std::move(user),
          std::move(trust),  std::move(password), std::move(sender)};
}

}  // namespace

TEST(MailServerForm, RefusesWhatCannotWorkAndTheSecurityFollowsThePort) {
  const struct {
    MailServerForm form;
    std::wstring refusal;  // empty: taken
  } cases[] = {
      {Form(L"smtp.example.org", L"587", 1, L"ann", L"/etc/ssl/ca.pem", L"pw"), L""},
      {Form(L"[2001:db8::1]:465", L"", 2, L"ann", kPin), L""},
      {Form(L"2001:db8::1", L"", 0), L""},
      {Form(L"", L"", 0),
       L"The SMTP server must be a name or an address, with a port if need be: "
       L"smtp.example.org, smtp.example.org:587, [2001:db8::1]:587"},
      {Form(L"[2001:db8::1:587", L"", 0),
       L"The SMTP server must be a name or an address, with a port if need be: "
       L"smtp.example.org, smtp.example.org:587, [2001:db8::1]:587"},
      {Form(L"smtp.example.org:70000", L"", 0),
       L"The SMTP server must be a name or an address, with a port if "
       L"need be: smtp.example.org, smtp.example.org:587, [2001:db8::1]:587"},
      {Form(L"smtp.example.org", L"65536", 0), L"The port must be a number from 1 to 65535"},
      {Form(L"smtp.example.org", L"0", 0), L"The port must be a number from 1 to 65535"},
      {Form(L"smtp.example.org", L"58 7", 0), L"The port must be a number from 1 to 65535"},
      {Form(L"smtp.example.org", L"", 3), L"Choose the security: None, STARTTLS or TLS"},
      {Form(L"smtp.example.org", L"25", 0, L"ann"),
       L"The user name and password are sent only over TLS: choose STARTTLS or TLS"},
      {Form(L"smtp.example.org", L"587", 1, L"  ", L"", L"pw"), L"A password needs a user name"},
      {Form(L"smtp.example.org", L"587", 1, L"", L"ab:cd"),
       L"The pinned fingerprint is not a SHA-256 fingerprint (64 hex digits)"},
      {Form(L"smtp.example.org", L"", 0, L"", L"", L"", L" disks@example.org "), L""},
      {Form(L"smtp.example.org", L"", 0, L"", L"", L"", L"Disks <disks@example.org>"),
       L"The sender must be one e-mail address, such as disks@example.org"},
      {Form(L"smtp.example.org", L"", 0, L"", L"", L"", L"a@b\r\nRCPT TO:<x@y>"),
       L"The sender must be one e-mail address, such as disks@example.org"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CheckMailServerForm(c.form), c.refusal) << ToUtf8(c.form.server) << " " << ToUtf8(c.form.port);
  }
  EXPECT_EQ(SecurityForPort(L"587", 0), 1);
  EXPECT_EQ(SecurityForPort(L"465", 0), 2);
  EXPECT_EQ(SecurityForPort(L"25", 2), 0);
  EXPECT_EQ(SecurityForPort(L"2525", 2), 2);  // any other port keeps the choice
  EXPECT_EQ(SecurityForPort(L"", 1), 1);
}

// OK writes [mail] and opening again shows the same; a CA file and a
// fingerprint share one field; emptied values leave the file.
TEST_F(SettingsFileTest, MailServerFormRoundTripsThroughTarukToml) {
  Load();  // makes the settings folder
  SideSettings side;
  std::string reason;
  const MailServerForm empty = MailServerFormFrom(L"smtp.example.org:465", side);
  EXPECT_EQ(empty.security, 2);  // by the server field's port
  EXPECT_EQ(empty.port, L"");

  const struct {
    MailServerForm form;
    const char* fingerprint;
    const char* caFile;
  } cases[] = {
      {Form(L"smtp.example.org", L"587", 1, L" \u00e9lise@example.org ", L"/etc/ssl/r\u00e9lais.pem", L"",
            L" disks@example.org"),
       "", "/etc/ssl/r\xC3\xA9lais.pem"},
      {Form(L"smtp.example.org", L"465", 2, L"ann", kPin),
       "4E:F9:E6:3E:39:89:7C:AA:85:9E:56:83:1D:5B:3F:3F:D3:FA:35:ED:51:6D:73:87:C5:E7:DC:43:76:7B:DB:EE", ""},
      {Form(L"smtp.example.org", L"", 0), "", ""},
  };
  for (const auto& c : cases) {
    std::wstring note;
    std::wstring error;
    MailServerForm form = c.form;
    ASSERT_TRUE(StoreMailServerForm(form, note, error)) << ToUtf8(error);
    EXPECT_EQ(note, L"");  // no password typed: the stored one stays
    ASSERT_NE(LoadSideSettings(side, reason), SideFileStatus::Bad) << reason;
    EXPECT_EQ(side.Text("mail", "fingerprint").value_or(""), c.fingerprint);
    EXPECT_EQ(side.Text("mail", "ca-file").value_or(""), c.caFile);
    const MailServerForm back = MailServerFormFrom(c.form.server, side);
    EXPECT_EQ(back.port, c.form.port);
    EXPECT_EQ(back.security, c.form.security);
    EXPECT_EQ(back.trust, c.form.trust);
    EXPECT_EQ(back.sender, c.form.sender.empty() ? L"" : L"disks@example.org");  // trimmed
  }
  EXPECT_EQ(side.Text("mail", "user"), std::nullopt);
  EXPECT_EQ(side.Text("mail", "sender"), std::nullopt);
  EXPECT_EQ(side.Integer("mail", "port"), std::nullopt);
  // A refused form leaves the file alone.
  MailServerForm refused = Form(L"smtp.example.org", L"99999", 0);
  std::wstring note;
  std::wstring error;
  EXPECT_FALSE(StoreMailServerForm(refused, note, error));
  EXPECT_EQ(error, L"The port must be a number from 1 to 65535");
}

// Without [mail] sender the E-mail address sends and receives, as it always
// did; with one, MAIL FROM and the From header carry it and the recipient
// stays the E-mail address.
TEST_F(SettingsFileTest, AlarmMailComesFromTheSenderWhenOneIsSet) {
  Load();
  for (const std::string sender : {"", "disks@example.org"}) {
    std::string error;
    if (!sender.empty()) {
      ASSERT_TRUE(ChangeSideSettings({{"mail", "sender", SideValue{sender}}}, error)) << error;
    }
    ScriptedServer server;
    server.Reply("220 scripted\r\n");
    for (const char* reply : {"250 hello", "250 sender ok", "250 ok", "354 go ahead"}) {
      server.AwaitLine().Reply(std::string(reply) + "\r\n");
    }
    server.AwaitData().Reply("250 queued\r\n").AwaitLine().Reply("221 bye\r\n");
    ASSERT_TRUE(server.Start());
    AlarmMessage message;
    message.subject = L"Taruk - critical temperature reached";
    message.body = L"Hello";
    const AlarmMailOutcome outcome = SendAlarmMailNow(message, {L"ops@example.org", L"127.0.0.1", server.Port()});
    EXPECT_TRUE(outcome.sent) << ToUtf8(outcome.detail);
    const std::string from = sender.empty() ? "ops@example.org" : sender;
    const std::string received = server.Finish();
    EXPECT_NE(received.find("MAIL From: <" + from + ">\r\nRCPT TO: <ops@example.org>\r\nDATA\r\n"), std::string::npos)
        << received;
    EXPECT_NE(received.find("\r\nFrom: " + from + "\r\nTo: ops@example.org<ops@example.org>\r\n"), std::string::npos)
        << received;
  }
}
