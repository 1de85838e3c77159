#include "core/mail/smtp_client.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/mail/mail_text.h"
#include "core/mail/tcp_connection.h"
#include "support/scripted_server.h"
#include "support/stop_trigger.h"

using namespace taruk;

namespace {

using namespace std::chrono_literals;
using Replies = std::vector<std::string>;

// Greeting, HELO, MAIL, two RCPT, DATA, the mail, QUIT, all accepted.
const Replies Accepting = {"220 scripted ESMTP", "250 hello",  "250 sender ok", "250 ok", "250 ok",
                           "354 go ahead",       "250 queued", "221 bye"};

Replies Replace(Replies replies, size_t index, std::string reply) {
  replies[index] = std::move(reply);
  return replies;
}

// The client with time-outs short enough that a fault fails a test quickly.
constexpr SmtpTimeouts kShortTimeouts{2s, 2s, 2s};

struct TestClient : CSmtpClient {
  explicit TestClient(uint16_t port, std::wstring host = L"127.0.0.1", SmtpTimeouts timeouts = kShortTimeouts)
      : CSmtpClient(std::move(host), port, timeouts) {}
  using CSmtpClient::EscapeBody;
};

COutgoingMail AlertMail() {
  COutgoingMail mail;
  mail.from = L"taruk@example.org";
  mail.subject = L"Taruk - critical temperature reached";
  mail.body = L"Hello";
  mail.AddRecipient(L"admin@example.org", L"admin@example.org");
  mail.AddRecipient(L"ops@example.org", L"ops@example.org");
  return mail;
}

// A client that has let its connection go refuses a mail without a word to
// the server.
bool LetGo(TestClient& client) {
  COutgoingMail mail = AlertMail();
  return !client.Send(mail) && client.LastError() == L"Must be connected";
}

// A scripted server and a client for it. The server sends the greeting at
// once and every later reply when the client's next line has come (after a
// 354, its whole mail), each reply with its line end.
struct Session {
  explicit Session(const Replies& replies, bool byteByByte = false, std::wstring host = L"127.0.0.1",
                   SmtpTimeouts timeouts = kShortTimeouts) {
    bool data = false;
    for (size_t i = 0; i < replies.size(); ++i) {
      if (i > 0) data ? server.AwaitData() : server.AwaitLine();
      byteByByte ? server.ReplyByteByByte(replies[i] + "\r\n") : server.Reply(replies[i] + "\r\n");
      data = replies[i].starts_with("354");
    }
    if (!server.Start()) ADD_FAILURE() << "no listener";
    client.emplace(server.Port(), std::move(host), timeouts);
  }
  ScriptedServer server;
  std::optional<TestClient> client;
  COutgoingMail mail = AlertMail();
};

std::string Helo() {
  const std::string name = MachineHostName();
  return "HELO " + (name.empty() ? std::string("localhost") : name) + "\r\n";
}

std::string ExpectedExchange(const COutgoingMail& mail) {
  return Helo() +
         "MAIL From: <taruk@example.org>\r\n"
         "RCPT TO: <admin@example.org>\r\n"
         "RCPT TO: <ops@example.org>\r\n"
         "DATA\r\n"
         "Date: " +
         ToWireBytes(FormatMailDate(static_cast<std::time_t>(mail.date))) +
         "\r\n"
         "From: taruk@example.org\r\n"
         "To: admin@example.org<admin@example.org>,ops@example.org<ops@example.org>\r\n"
         "Subject: Taruk - critical temperature reached\r\n"
         "X-Mailer: <Orvo Mail>\r\n"
         "\r\n"
         "Hello\r\n"
         "\r\n.\r\n"
         "QUIT\r\n";
}

}  // namespace

TEST(SmtpClient, SendsTheWholeExchangeByteForByte) {
  Session s(Accepting);
  ASSERT_TRUE(s.client->Connect());
  EXPECT_TRUE(s.client->Connect());  // a second Connect sends nothing
  EXPECT_TRUE(s.client->Send(s.mail));
  EXPECT_TRUE(s.client->Disconnect());
  EXPECT_TRUE(s.client->Disconnect());  // nor does a second Disconnect
  EXPECT_EQ(s.client->LastError(), L"OK");
  EXPECT_EQ(s.mail.body, L"Hello\r\n");  // the added line end stays in the mail
  EXPECT_NE(s.mail.date, 0);
  EXPECT_EQ(s.server.Finish(), ExpectedExchange(s.mail));
  EXPECT_TRUE(s.server.ClientClosed());
}

TEST(SmtpClient, GathersRepliesThatArriveInPiecesOrSpanLines) {
  // Every reply a byte per segment, some over several lines; the server's
  // name looked up.
  Session s(Replace(Replace(Accepting, 0, "220-scripted ESMTP\r\n220-no spam here\r\n220 ready"), 6,
                    "250-queued\r\n250 as 12AB"),
            true, L"localhost");
  ASSERT_TRUE(s.client->Connect()) << s.client->LastError();
  EXPECT_TRUE(s.client->Send(s.mail)) << s.client->LastError();
  EXPECT_TRUE(s.client->Disconnect()) << s.client->LastError();
  EXPECT_EQ(s.server.Finish(), ExpectedExchange(s.mail));
}

TEST(SmtpClient, KeepsBytesBehindAReplyForTheNextOne) {
  // Greeting and HELO reply in one piece; then a reply whose last line decides.
  Session s({"220 ready\r\n250 hello", "250-first line looks fine\r\n550 but the last refuses", "221 bye"});
  ASSERT_TRUE(s.client->Connect()) << s.client->LastError();
  EXPECT_FALSE(s.client->Send(s.mail));
  EXPECT_EQ(s.client->LastError(), L"550:SMTP server error");
  EXPECT_TRUE(s.client->Disconnect());
}

TEST(SmtpClient, ConnectFailsAndClosesOnARefusingServer) {
  {
    Session s({"421 too busy"});
    EXPECT_FALSE(s.client->Connect());
    EXPECT_EQ(s.client->LastError(), L"Server didn't respond.");
    EXPECT_EQ(s.server.Finish(), "");
    EXPECT_TRUE(s.server.ClientClosed());
  }
  {
    Session s({"220 ready", "550 go away"});
    EXPECT_FALSE(s.client->Connect());
    EXPECT_EQ(s.client->LastError(), L"550:SMTP server error");
    EXPECT_TRUE(s.client->Disconnect());  // harmless after a failed Connect
    EXPECT_EQ(s.server.Finish(), Helo());
    EXPECT_TRUE(s.server.ClientClosed());
  }
  for (const char* host : {"127.0.0.1", "no-such-host.invalid", ""}) {
    TestClient client(1, FromWireBytes(host));  // nothing listens on port 1
    EXPECT_FALSE(client.Connect()) << host;
    EXPECT_EQ(client.LastError(), L"Unable to connect to server") << host;
  }
}

TEST(SmtpClient, ARefusedRecipientDoesNotStopTheMail) {
  Session s(Replace(Accepting, 3, "550 no such user"));
  ASSERT_TRUE(s.client->Connect());
  EXPECT_TRUE(s.client->Send(s.mail));
  EXPECT_EQ(s.client->LastError(), L"550:SMTP server error");
  EXPECT_TRUE(s.client->Disconnect());
  EXPECT_EQ(s.server.Finish(), ExpectedExchange(s.mail));
}

TEST(SmtpClient, ARefusedMailFailsSendAndTheConnectionStaysUsable) {
  const Replies dataRefused = {"220 ready", "250 hello", "250 ok", "250 ok", "250 ok", "554 no data today", "221 bye"};
  for (const auto& [replies, error] :
       {std::pair{dataRefused, L"554:SMTP server not ready for data"},
        std::pair{Replace(Accepting, 6, "554 rejected as spam"), L"554:SMTP server error"}}) {
    Session s(replies);
    ASSERT_TRUE(s.client->Connect());
    EXPECT_FALSE(s.client->Send(s.mail));
    EXPECT_EQ(s.client->LastError(), error);
    EXPECT_TRUE(s.client->Disconnect());
    EXPECT_TRUE(s.server.Finish().ends_with("QUIT\r\n"));  // still connected for it
  }
}

TEST(SmtpClient, QuitAnsweredWithAnotherCodeStillCloses) {
  Session s({"220 ready", "250 hello", "250 see you"});
  ASSERT_TRUE(s.client->Connect());
  EXPECT_FALSE(s.client->Disconnect());
  EXPECT_EQ(s.client->LastError(), L"250:SMTP server didn't terminate session");
  s.server.Finish();
  EXPECT_TRUE(s.server.ClientClosed());
}

TEST(SmtpClient, ABrokenConnectionFailsTheStepAndEndsIt) {
  {
    Session s(Replies(Accepting.begin(), Accepting.begin() + 6));
    s.server.HangUp();  // as the mail is on its way
    ASSERT_TRUE(s.client->Connect());
    EXPECT_FALSE(s.client->Send(s.mail));
    EXPECT_EQ(s.client->LastError(), L"Socket Error");
    EXPECT_TRUE(LetGo(*s.client));
    EXPECT_TRUE(s.client->Disconnect());
  }
  {
    Session s({"220 ready"});
    s.server.AwaitLine().Reply("250 hel").HangUp();  // half-way through a reply
    EXPECT_FALSE(s.client->Connect());
    EXPECT_EQ(s.client->LastError(), L"Socket Error");
  }
}

TEST(SmtpClient, AReplyBeyondTheBoundHasItsOwnText) {
  std::string endless;
  while (endless.size() < 70 * 1024) endless += "220-still greeting\r\n";
  for (const Replies& replies : {Replies{std::string(70 * 1024, '2')}, Replies{endless},
                                 Replies{"220 ready", std::string(10 * 1024 * 1024, '2')}}) {
    Session s(replies);
    EXPECT_FALSE(s.client->Connect());
    EXPECT_EQ(s.client->LastError(), L"Server reply too long") << replies.size();
    EXPECT_TRUE(LetGo(*s.client));
  }
}

TEST(SmtpClient, AStopRequestEndsEveryWaitAtOnce) {
  StopTrigger stop;
  {
    // A silent server and the full minute of patience: only the request,
    // coming during the wait, ends it.
    Session s({}, false, L"127.0.0.1", SmtpTimeouts{});
    s.client->stopFd = stop.signal();
    std::thread requester([&] {
      std::this_thread::sleep_for(100ms);
      stop.Raise();
    });
    EXPECT_FALSE(s.client->Connect());
    requester.join();
    EXPECT_EQ(s.client->LastError(), L"Stopped: the monitor is ending");
    EXPECT_TRUE(LetGo(*s.client));
  }
  {
    // A server that stops reading in the middle of the mail.
    Session s(Replies(Accepting.begin(), Accepting.begin() + 6), false, L"127.0.0.1", SmtpTimeouts{});
    s.server.Stall();
    s.mail.body.assign(6 * 1024 * 1024, L'x');
    ASSERT_TRUE(s.client->Connect()) << s.client->LastError();
    s.client->stopFd = stop.signal();  // still raised: the first wait ends at its start
    EXPECT_FALSE(s.client->Send(s.mail));
    EXPECT_EQ(s.client->LastError(), L"Stopped: the monitor is ending");
    s.server.Release();
  }
}

TEST(SmtpClient, EveryWaitEndsInItsOwnTimeOut) {
  {
    Session s({}, false, L"127.0.0.1", {2s, 2s, 200ms});  // accepts and says nothing
    EXPECT_FALSE(s.client->Connect());
    EXPECT_EQ(s.client->LastError(), L"Timed out waiting for the server's reply");
    s.server.Finish();
    EXPECT_TRUE(s.server.ClientClosed());
  }
  {
    Session s(Replies(Accepting.begin(), Accepting.begin() + 6), false, L"127.0.0.1", {2s, 200ms, 2s});
    s.server.Stall();                           // stops reading in the middle of the mail
    s.mail.body.assign(6 * 1024 * 1024, L'x');  // more than the socket buffers hold
    ASSERT_TRUE(s.client->Connect());
    EXPECT_FALSE(s.client->Send(s.mail));
    EXPECT_EQ(s.client->LastError(), L"Timed out sending to server");
    EXPECT_TRUE(LetGo(*s.client));
    s.server.Release();
  }
  // (The connect's own time-out: tests/linux/smtp_client_posix_test.cpp.)
}

TEST(SmtpClient, RefusesCallsOutOfOrderAndMailsWithoutRecipients) {
  TestClient idle(1);
  COutgoingMail mail = AlertMail();
  EXPECT_FALSE(idle.Send(mail));
  EXPECT_EQ(idle.LastError(), L"Must be connected");
  EXPECT_TRUE(idle.Disconnect());

  Session s({"220 ready", "250 hello", "221 bye"});
  s.mail.recipients.clear();
  ASSERT_TRUE(s.client->Connect());
  EXPECT_FALSE(s.client->Send(s.mail));
  EXPECT_EQ(s.client->LastError(), L"No Recipients");
  EXPECT_TRUE(s.client->Disconnect());
  EXPECT_EQ(s.server.Finish(), Helo() + "QUIT\r\n");
}

TEST(SmtpClient, LineBreaksCannotInjectCommandsOrHeaders) {
  // An address with a line break is refused before anything is sent.
  for (const bool inSender : {true, false}) {
    Session s({"220 ready", "250 hello", "221 bye"});
    (inSender ? s.mail.from : s.mail.recipients[1].address) = L"x@example.org>\r\nRCPT TO: <victim@example.org";
    ASSERT_TRUE(s.client->Connect());
    EXPECT_FALSE(s.client->Send(s.mail));
    EXPECT_EQ(s.client->LastError(), L"Mail address contains a line break");
    EXPECT_TRUE(s.client->Disconnect());
    EXPECT_EQ(s.server.Finish(), Helo() + "QUIT\r\n");
  }
  // In the subject and the names they become spaces.
  Session s(Accepting);
  s.mail.subject = L"Hot\r\nBcc: victim@example.org";
  s.mail.recipients[0].name = L"Admin\nX-Evil: 1";
  ASSERT_TRUE(s.client->Connect());
  EXPECT_TRUE(s.client->Send(s.mail));
  s.client->Disconnect();
  const std::string received = s.server.Finish();
  EXPECT_NE(received.find("\r\nSubject: Hot  Bcc: victim@example.org\r\n"), std::string::npos);
  EXPECT_NE(received.find("\r\nTo: Admin X-Evil: 1<admin@example.org>,"), std::string::npos);
}

TEST(SmtpClient, TextGoesOutAsLatin1WithQuestionMarksBeyond) {
  Session s(Accepting);
  s.mail.subject = L"Temp\u00e9rature 57\u00b0C \u2014 \u0416";
  s.mail.body = std::wstring(3000, L'a') + L"\u00ff\u0100";  // longer than any fixed buffer
  ASSERT_TRUE(s.client->Connect());
  EXPECT_TRUE(s.client->Send(s.mail));
  s.client->Disconnect();
  const std::string received = s.server.Finish();
  EXPECT_NE(received.find("\r\nSubject: Temp\xe9rature 57\xb0"
                          "C ? ?\r\n"),
            std::string::npos);
  EXPECT_NE(received.find("\r\n\r\n" + std::string(3000, 'a') + "\xff?\r\n\r\n.\r\n"), std::string::npos);
}

TEST(SmtpClient, BodyLinesStartingWithAFullStopGetAnotherOne) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L".\r\nfirst line alone", L"..\r\nfirst line alone"},
      {L"a\r\n.\r\n.\r\nb\r\n", L"a\r\n..\r\n..\r\nb\r\n"},
      {L".abc\r\n.\r\n", L"..abc\r\n..\r\n"},  // the server would drop the first dot
      {L"a.b\r\n..\r\n", L"a.b\r\n...\r\n"},
      {L"bare\n.\nfeeds\r.", L"bare\r\n..\r\nfeeds\r\n.."},  // a lone LF or CR ends a line too
  };
  COutgoingMail mail;
  for (const auto& [body, sent] : cases) {
    mail.body = body;
    EXPECT_EQ(TestClient(1).EscapeBody(mail), sent) << ToWireBytes(body);
    EXPECT_EQ(mail.body, body);
  }
}
