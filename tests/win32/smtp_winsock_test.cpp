// The SMTP client through Winsock to a real server on the host's loopback
// (aiosmtpd, started by CTest: tests/win32/aiosmtpd_fixture.sh), and the
// console's stop notice ending its wait.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "core/base/stop_request.h"
#include "core/mail/smtp_client.h"
#include "support/scratch_dir.h"
#include "support/scripted_server.h"
#include "win32/system/console_notice.h"

using namespace taruk;
using namespace std::chrono_literals;

namespace {

const std::string kServerDir = TARUK_AIOSMTPD_DIR;

// The messages the server has stored, waiting up to ten seconds for the first.
std::vector<std::string> StoredMessages() {
  std::vector<std::string> messages;
  for (int tries = 0; tries < 100 && messages.empty(); ++tries) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(kServerDir + "/Maildir/new", error)) {
      messages.push_back(ReadFileBytes(entry.path().string()));
    }
    if (messages.empty()) std::this_thread::sleep_for(100ms);
  }
  return messages;
}

}  // namespace

TEST(WinsockSmtp, AMailReachesARealServerOnTheHostsLoopback) {
  const int port = std::stoi(ReadFileBytes(kServerDir + "/port"));
  // By name: the lookup runs on its own thread.
  CSmtpClient client(L"localhost", static_cast<uint32_t>(port));
  COutgoingMail mail;
  mail.from = L"taruk@example.org";
  mail.subject = L"Taruk - critical temperature reached";
  mail.body = L"HD0: 61\u00b0C\r\n.hidden line\r\nend";
  mail.AddRecipient(L"admin@example.org", L"admin@example.org");
  ASSERT_TRUE(client.Connect()) << std::string(client.LastError().begin(), client.LastError().end());
  ASSERT_TRUE(client.Send(mail)) << std::string(client.LastError().begin(), client.LastError().end());
  EXPECT_EQ(client.LastReply().substr(0, 4), L"250 ");
  EXPECT_TRUE(client.Disconnect());

  const std::vector<std::string> messages = StoredMessages();
  ASSERT_EQ(messages.size(), 1u);
  for (const std::string& part :
       {std::string("Subject: Taruk - critical temperature reached\n"), std::string("X-Mailer: <Orvo Mail>\n"),
        std::string("\nHD0: 61\xb0"
                    "C\n.hidden line\nend\n")}) {
    EXPECT_NE(messages[0].find(part), std::string::npos) << part << "\n---\n" << messages[0];
  }
}

TEST(WinsockSmtp, TheConsolesStopNoticeEndsAWaitAtOnce) {
  const StopSignal stop = ListenForStopRequests();
  ASSERT_NE(stop, kNoStopSignal);
  EXPECT_FALSE(WaitForStopRequest(stop, 50));
  // A server that accepts and says nothing, and the full minute of patience:
  // without the notice the wait would end in "Timed out ...".
  ScriptedServer silent;
  ASSERT_TRUE(silent.Start());
  CSmtpClient client(L"127.0.0.1", silent.Port());
  client.stopFd = stop;
  std::thread console([] {
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(OnConsoleNotice(CTRL_C_EVENT));
  });
  EXPECT_FALSE(client.Connect());
  console.join();
  EXPECT_EQ(client.LastError(), L"Stopped: the monitor is ending");
  EXPECT_TRUE(StopRequested(stop));
  CloseStopSignal(stop);
  EXPECT_FALSE(OnConsoleNotice(CTRL_C_EVENT));  // nothing listens any more
}
