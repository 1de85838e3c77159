#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>

#include "core/mail/mail_text.h"
#include "core/mail/smtp_client.h"
#include "support/aiosmtpd_server.h"

using namespace taruk;

namespace {

using namespace std::chrono_literals;

bool SendOne(CSmtpClient& client, COutgoingMail& mail) {
  const bool sent = client.Connect() && client.Send(mail);
  return client.Disconnect() && sent;
}

}  // namespace

TEST(SmtpRealServer, AiosmtpdStoresTheMailWhole) {
  AiosmtpdServer server;
  std::string failure;
  ASSERT_TRUE(server.Start(failure)) << failure;

  COutgoingMail mail;
  mail.from = L"taruk@example.org";
  mail.subject = L"Taruk - critical temperature reached";
  mail.AddRecipient(L"admin@example.org", L"admin@example.org");
  mail.AddRecipient(L"ops@example.org", L"ops@example.org");
  // Lines a server would shorten or take for the end of the mail, were they
  // sent as they are; no line end at the end.
  mail.body =
      L".\r\nCritical temperature: 55\r\n\r\n HD1: QEMU HARDDISK current temperature 57 C\r\n"
      L".hidden\r\n..\r\n.";
  CSmtpClient client(L"127.0.0.1", server.Port());
  ASSERT_TRUE(SendOne(client, mail)) << client.LastError();
  EXPECT_EQ(client.LastError(), L"OK");

  const auto messages = server.Messages();
  ASSERT_EQ(messages.size(), 1u);
  // The server adds where the mail came from; the peer's port differs.
  const std::string stored =
      std::regex_replace(messages[0], std::regex("\nX-Peer: \\('127\\.0\\.0\\.1', [0-9]+\\)\n"), "\nX-Peer: -\n");
  EXPECT_EQ(stored, "Date: " + ToWireBytes(FormatMailDate(static_cast<std::time_t>(mail.date))) +
                        "\n"
                        "From: taruk@example.org\n"
                        "To: admin@example.org<admin@example.org>,ops@example.org<ops@example.org>\n"
                        "Subject: Taruk - critical temperature reached\n"
                        "X-Mailer: <Orvo Mail>\n"
                        "X-Peer: -\n"
                        "X-MailFrom: taruk@example.org\n"
                        "X-RcptTo: admin@example.org, ops@example.org\n"
                        "\n"
                        ".\n"
                        "Critical temperature: 55\n"
                        "\n"
                        " HD1: QEMU HARDDISK current temperature 57 C\n"
                        ".hidden\n"
                        "..\n"
                        ".\n"
                        "\n");
}

TEST(SmtpRealServer, LocalMailSystemDeliversAnAlertToTheMailbox) {
  if (!SomethingListensOn(25)) {
    GTEST_SKIP() << "nothing listens on 127.0.0.1:25; start the local mail system with "
                    "scripts/services/postfix.sh start (scripts/test.sh does it)";
  }
  const passwd* user = getpwuid(getuid());
  ASSERT_NE(user, nullptr);
  const std::string name = user->pw_name;
  const char* spool = std::getenv("TARUK_MAIL_SPOOL");
  const std::filesystem::path mailbox = std::filesystem::path(spool ? spool : "/var/mail") / name;

  // The alert the temperature alarm sends, with a model no earlier run used.
  const std::string model = "QEMU HARDDISK " + std::to_string(getpid()) + "-" +
                            std::to_string(std::chrono::system_clock::now().time_since_epoch().count());
  const std::wstring address = FromWireBytes(name + "@localhost");
  COutgoingMail mail;
  mail.from = address;
  mail.AddRecipient(address, address);
  mail.subject = L"Taruk - critical temperature reached";
  mail.body = L"Critical temperature: 55\r\n\r\n HD1: " + FromWireBytes(model) + L" current temperature 57 C";
  CSmtpClient client(L"127.0.0.1", 25);
  ASSERT_TRUE(SendOne(client, mail)) << client.LastError();

  // Delivery happens behind the server's reply; give it time.
  std::string text;
  for (int attempt = 0; attempt < 300 && text.find(model) == std::string::npos; ++attempt) {
    std::this_thread::sleep_for(100ms);
    std::ifstream file(mailbox, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    text = content.str();
  }
  const size_t found = text.find(" HD1: " + model + " current temperature 57 C\n");
  ASSERT_NE(found, std::string::npos) << "no mail with " << model << " in " << mailbox;
  // The headers of the same message, just before its body.
  const size_t start = text.rfind("\nFrom ", found);
  const std::string message = text.substr(start == std::string::npos ? 0 : start, found - start);
  EXPECT_NE(message.find("\nSubject: Taruk - critical temperature reached\n"), std::string::npos) << message;
  EXPECT_NE(message.find("\nX-Mailer: <Orvo Mail>\n"), std::string::npos) << message;
  EXPECT_NE(message.find("\nTo: " + name + "@localhost<" + name + "@localhost>\n"), std::string::npos) << message;
  EXPECT_NE(message.find("\nCritical temperature: 55\n\n"), std::string::npos) << message;
}
