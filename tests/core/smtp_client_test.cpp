#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "alert/mail_text.h"
#include "alert/smtp_client.h"
#include "support/scripted_server.h"

namespace {

using namespace std::chrono_literals;

// The client with time-outs short enough that a fault fails a test quickly.
struct TestClient : CSmtpClient {
  explicit TestClient(uint16_t port, std::wstring host = L"127.0.0.1") : CSmtpClient(std::move(host), port) {
    timeouts = {2s, 2s, 2s};
  }
  using CSmtpClient::EscapeBody;
};

std::string Helo() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "HELO localhost\r\n";
  return std::string("HELO ") + name + "\r\n";
}

COutgoingMail AlertMail() {
  COutgoingMail mail;
  mail.from = L"taruk@example.org";
  mail.subject = L"Taruk - critical temperature reached";
  mail.body = L"Hello";
  mail.AddRecipient(L"admin@example.org", L"admin@example.org");
  mail.AddRecipient(L"ops@example.org", L"ops@example.org");
  return mail;
}

// The server's side of a whole exchange up to the mail's text, for a mail to
// two recipients.
ScriptedServer& UpToData(ScriptedServer& server) {
  return server.Reply("220 scripted ESMTP\r\n")
      .AwaitLine().Reply("250 hello\r\n")
      .AwaitLine().Reply("250 sender ok\r\n")
      .AwaitLine().Reply("250 recipient ok\r\n")
      .AwaitLine().Reply("250 recipient ok\r\n")
      .AwaitLine().Reply("354 go ahead\r\n");
}

ScriptedServer& Quit(ScriptedServer& server) { return server.AwaitLine().Reply("221 bye\r\n"); }

std::string ExpectedExchange(const COutgoingMail& mail, const std::string& body) {
  return Helo() +
         "MAIL From: <taruk@example.org>\r\n"
         "RCPT TO: <admin@example.org>\r\n"
         "RCPT TO: <ops@example.org>\r\n"
         "DATA\r\n"
         "Date: " + ToWireBytes(FormatMailDate(static_cast<std::time_t>(mail.date))) + "\r\n"
         "From: taruk@example.org\r\n"
         "To: admin@example.org<admin@example.org>,ops@example.org<ops@example.org>\r\n"
         "Subject: Taruk - critical temperature reached\r\n"
         "X-Mailer: <Orvo Mail>\r\n"
         "\r\n" + body + "\r\n.\r\n"
         "QUIT\r\n";
}

}  // namespace

TEST(SmtpClient, SendsTheWholeExchangeByteForByte) {
  ScriptedServer server;
  Quit(UpToData(server).AwaitData().Reply("250 queued\r\n"));
  ASSERT_TRUE(server.Start());
  TestClient client(server.Port());
  COutgoingMail mail = AlertMail();
  ASSERT_TRUE(client.Connect());
  EXPECT_TRUE(client.Connect());  // a second Connect sends nothing
  EXPECT_TRUE(client.Send(mail));
  EXPECT_TRUE(client.Disconnect());
  EXPECT_TRUE(client.Disconnect());  // nor does a second Disconnect
  EXPECT_FALSE(client.IsConnected());
  EXPECT_EQ(client.lastError, L"OK");
  EXPECT_EQ(mail.body, L"Hello\r\n");  // the line end stays in the mail
  EXPECT_NE(mail.date, 0);
  EXPECT_EQ(server.Finish(), ExpectedExchange(mail, "Hello\r\n"));
  EXPECT_TRUE(server.ClientClosed());
}

TEST(SmtpClient, GathersRepliesThatArriveInPiecesOrSpanLines) {
  // Every reply a byte per segment, the greeting over three lines.
  ScriptedServer server;
  server.ReplyByteByByte("220-scripted ESMTP\r\n220-no spam here\r\n220 ready\r\n");
  for (const char* reply : {"250 hello\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n"}) {
    server.AwaitLine().ReplyByteByByte(reply);
  }
  server.AwaitData().ReplyByteByByte("250-queued\r\n250 as 12AB\r\n").AwaitLine().ReplyByteByByte("221 bye\r\n");
  ASSERT_TRUE(server.Start());
  TestClient client(server.Port(), L"localhost");  // a name, looked up
  COutgoingMail mail = AlertMail();
  ASSERT_TRUE(client.Connect()) << client.lastError;
  EXPECT_TRUE(client.Send(mail)) << client.lastError;
  EXPECT_TRUE(client.Disconnect()) << client.lastError;
  EXPECT_EQ(server.Finish(), ExpectedExchange(mail, "Hello\r\n"));
}

TEST(SmtpClient, KeepsBytesBehindAReplyForTheNextOne) {
  // Greeting and HELO reply in one piece; the next reply's last line decides.
  ScriptedServer server;
  server.Reply("220 ready\r\n250 hello\r\n").AwaitLine()
      .AwaitLine().Reply("250-first line looks fine\r\n550 but the last refuses\r\n");
  Quit(server);
  ASSERT_TRUE(server.Start());
  TestClient client(server.Port());
  COutgoingMail mail = AlertMail();
  ASSERT_TRUE(client.Connect()) << client.lastError;
  EXPECT_FALSE(client.Send(mail));
  EXPECT_EQ(client.lastError, L"550:SMTP server error");
  EXPECT_TRUE(client.Disconnect());
}

TEST(SmtpClient, ConnectFailsAndClosesOnARefusingServer) {
  {
    ScriptedServer server;
    server.Reply("421 too busy\r\n");
    ASSERT_TRUE(server.Start());
    TestClient client(server.Port());
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(client.lastError, L"Server didn't respond.");
    EXPECT_FALSE(client.IsConnected());
    EXPECT_EQ(server.Finish(), "");
    EXPECT_TRUE(server.ClientClosed());
  }
  {
    ScriptedServer server;
    server.Reply("220 ready\r\n").AwaitLine().Reply("550 go away\r\n");
    ASSERT_TRUE(server.Start());
    TestClient client(server.Port());
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(client.lastError, L"550:SMTP server error");
    EXPECT_TRUE(client.Disconnect());  // harmless after a failed Connect
    EXPECT_EQ(server.Finish(), Helo());
    EXPECT_TRUE(server.ClientClosed());
  }
  {
    ScriptedServer server;
    server.HangUp();
    ASSERT_TRUE(server.Start());
    TestClient client(server.Port());
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(client.lastError, L"Server didn't respond.");
  }
}

TEST(SmtpClient, AServerThatCannotBeReachedIsReportedSo) {
  // A port that was free a moment ago: nothing listens there.
  const int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ASSERT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&address), size), 0);
  ASSERT_EQ(getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size), 0);
  close(probe);
  for (const wchar_t* host : {L"127.0.0.1", L"no-such-host.invalid", L""}) {
    TestClient client(ntohs(address.sin_port), host);
    EXPECT_FALSE(client.Connect()) << ToWireBytes(host);
    EXPECT_EQ(client.lastError, L"Unable to connect to server") << ToWireBytes(host);
    EXPECT_FALSE(client.IsConnected());
  }
}

TEST(SmtpClient, ARefusedRecipientDoesNotStopTheMail) {
  ScriptedServer server;
  server.Reply("220 ready\r\n").AwaitLine().Reply("250 hello\r\n").AwaitLine().Reply("250 ok\r\n")
      .AwaitLine().Reply("550 no such user\r\n").AwaitLine().Reply("250 ok\r\n")
      .AwaitLine().Reply("354 go\r\n").AwaitData().Reply("250 queued\r\n");
  Quit(server);
  ASSERT_TRUE(server.Start());
  TestClient client(server.Port());
  COutgoingMail mail = AlertMail();
  ASSERT_TRUE(client.Connect());
  EXPECT_TRUE(client.Send(mail));
  EXPECT_EQ(client.lastError, L"550:SMTP server error");
  EXPECT_TRUE(client.Disconnect());
  EXPECT_EQ(server.Finish(), ExpectedExchange(mail, "Hello\r\n"));
}

TEST(SmtpClient, SendFailsOnARefusedMailAndTheConnectionStaysUsable) {
  struct Case {
    const char* dataReply;
    const char* finalReply;  // nullptr: DATA itself is refused
    const wchar_t* error;
  };
  for (const Case& c : {Case{"554 no data today\r\n", nullptr, L"554:SMTP server not ready for data"},
                        Case{"354 go\r\n", "554 rejected as spam\r\n", L"554:SMTP server error"}}) {
    ScriptedServer server;
    server.Reply("220 ready\r\n").AwaitLine().Reply("250 hello\r\n").AwaitLine().Reply("250 ok\r\n")
        .AwaitLine().Reply("250 ok\r\n").AwaitLine().Reply("250 ok\r\n").AwaitLine().Reply(c.dataReply);
    if (c.finalReply) server.AwaitData().Reply(c.finalReply);
    Quit(server);
    ASSERT_TRUE(server.Start());
    TestClient client(server.Port());
    COutgoingMail mail = AlertMail();
    ASSERT_TRUE(client.Connect());
    EXPECT_FALSE(client.Send(mail));
    EXPECT_EQ(client.lastError, c.error);
    EXPECT_TRUE(client.IsConnected());
    EXPECT_TRUE(client.Disconnect());
    EXPECT_TRUE(server.Finish().ends_with("QUIT\r\n"));
  }
}

TEST(SmtpClient, QuitAnsweredWithAnotherCodeStillCloses) {
  ScriptedServer server;
  server.Reply("220 ready\r\n").AwaitLine().Reply("250 hello\r\n").AwaitLine().Reply("250 see you\r\n");
  ASSERT_TRUE(server.Start());
  TestClient client(server.Port());
  ASSERT_TRUE(client.Connect());
  EXPECT_FALSE(client.Disconnect());
  EXPECT_EQ(client.lastError, L"250:SMTP server didn't terminate session");
  EXPECT_FALSE(client.IsConnected());
  server.Finish();
  EXPECT_TRUE(server.ClientClosed());
}

TEST(SmtpClient, ABrokenConnectionFailsTheStepAndEndsIt) {
  {
    ScriptedServer server;  // closes while the mail is on its way
    UpToData(server).HangUp();
    ASSERT_TRUE(server.Start());
    TestClient client(server.Port());
    COutgoingMail mail = AlertMail();
    ASSERT_TRUE(client.Connect());
    EXPECT_FALSE(client.Send(mail));
    EXPECT_EQ(client.lastError, L"Socket Error");
    EXPECT_FALSE(client.IsConnected());
    EXPECT_TRUE(client.Disconnect());
  }
  {
    ScriptedServer server;  // a reply that never ends within the bound
    server.Reply(std::string(70 * 1024, '2') + "\r\n");
    ASSERT_TRUE(server.Start());
    TestClient client(server.Port());
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(client.lastError, L"Server didn't respond.");
  }
  {
    ScriptedServer server;  // ends a reply half-way
    server.Reply("220 ready\r\n").AwaitLine().Reply("250 hel").HangUp();
    ASSERT_TRUE(server.Start());
    TestClient client(server.Port());
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(client.lastError, L"Socket Error");
  }
}

TEST(SmtpClient, EveryWaitEndsInItsOwnTimeOut) {
  {
    ScriptedServer server;  // accepts and says nothing
    ASSERT_TRUE(server.Start());
    TestClient client(server.Port());
    client.timeouts.reply = 200ms;
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(client.lastError, L"Timed out waiting for the server's reply");
    EXPECT_FALSE(client.IsConnected());
    server.Finish();
    EXPECT_TRUE(server.ClientClosed());
  }
  {
    ScriptedServer server;  // stops reading in the middle of the mail
    UpToData(server).Stall();
    ASSERT_TRUE(server.Start());
    TestClient client(server.Port());
    client.timeouts.send = 200ms;
    COutgoingMail mail = AlertMail();
    mail.body.assign(6 * 1024 * 1024, L'x');  // more than the socket buffers hold
    ASSERT_TRUE(client.Connect());
    EXPECT_FALSE(client.Send(mail));
    EXPECT_EQ(client.lastError, L"Timed out sending to server");
    EXPECT_FALSE(client.IsConnected());
    server.Release();
  }
  {
    // A listener whose only queue place is taken drops further connection
    // requests, so the attempt hangs until the time-out.
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    const int filler = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), size), 0);
    ASSERT_EQ(listen(listener, 0), 0);
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size), 0);
    ASSERT_EQ(connect(filler, reinterpret_cast<sockaddr*>(&address), size), 0);
    TestClient client(ntohs(address.sin_port));
    client.timeouts.connect = 200ms;
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(client.lastError, L"Timed out connecting to server");
    close(filler);
    close(listener);
  }
}

TEST(SmtpClient, RefusesCallsOutOfOrderAndMailsWithoutRecipients) {
  TestClient idle(1);
  COutgoingMail mail = AlertMail();
  EXPECT_FALSE(idle.Send(mail));
  EXPECT_EQ(idle.lastError, L"Must be connected");
  EXPECT_TRUE(idle.Disconnect());

  ScriptedServer server;
  server.Reply("220 ready\r\n").AwaitLine().Reply("250 hello\r\n");
  Quit(server);
  ASSERT_TRUE(server.Start());
  TestClient client(server.Port());
  ASSERT_TRUE(client.Connect());
  COutgoingMail nobody;
  nobody.from = L"taruk@example.org";
  EXPECT_FALSE(client.Send(nobody));
  EXPECT_EQ(client.lastError, L"No Recipients");
  EXPECT_TRUE(client.Disconnect());
  EXPECT_EQ(server.Finish(), Helo() + "QUIT\r\n");
}

TEST(SmtpClient, LineBreaksCannotInjectCommandsOrHeaders) {
  // An address with a line break is refused before anything is sent.
  for (const bool inSender : {true, false}) {
    ScriptedServer server;
    server.Reply("220 ready\r\n").AwaitLine().Reply("250 hello\r\n");
    Quit(server);
    ASSERT_TRUE(server.Start());
    TestClient client(server.Port());
    COutgoingMail mail = AlertMail();
    (inSender ? mail.from : mail.recipients[1].address) = L"x@example.org>\r\nRCPT TO: <victim@example.org";
    ASSERT_TRUE(client.Connect());
    EXPECT_FALSE(client.Send(mail));
    EXPECT_EQ(client.lastError, L"Mail address contains a line break");
    EXPECT_TRUE(client.Disconnect());
    EXPECT_EQ(server.Finish(), Helo() + "QUIT\r\n");
  }
  // In the subject and the names they become spaces.
  ScriptedServer server;
  Quit(UpToData(server).AwaitData().Reply("250 queued\r\n"));
  ASSERT_TRUE(server.Start());
  TestClient client(server.Port());
  COutgoingMail mail = AlertMail();
  mail.subject = L"Hot\r\nBcc: victim@example.org";
  mail.recipients[0].name = L"Admin\nX-Evil: 1";
  ASSERT_TRUE(client.Connect());
  EXPECT_TRUE(client.Send(mail));
  client.Disconnect();
  const std::string received = server.Finish();
  EXPECT_NE(received.find("\r\nSubject: Hot  Bcc: victim@example.org\r\n"), std::string::npos);
  EXPECT_NE(received.find("\r\nTo: Admin X-Evil: 1<admin@example.org>,"), std::string::npos);
}

TEST(SmtpClient, TextGoesOutAsLatin1WithQuestionMarksBeyond) {
  ScriptedServer server;
  Quit(UpToData(server).AwaitData().Reply("250 queued\r\n"));
  ASSERT_TRUE(server.Start());
  TestClient client(server.Port());
  COutgoingMail mail = AlertMail();
  mail.subject = L"Temp\u00e9rature 57\u00b0C \u2014 \u0416";
  mail.body = std::wstring(3000, L'a') + L"\u00ff\u0100";  // longer than any fixed buffer
  ASSERT_TRUE(client.Connect());
  EXPECT_TRUE(client.Send(mail));
  client.Disconnect();
  const std::string received = server.Finish();
  EXPECT_NE(received.find("\r\nSubject: Temp\xe9rature 57\xb0" "C ? ?\r\n"), std::string::npos);
  EXPECT_NE(received.find("\r\n\r\n" + std::string(3000, 'a') + "\xff?\r\n\r\n.\r\n"), std::string::npos);
}

TEST(SmtpClient, BodyLinesStartingWithAFullStopGetAnotherOne) {
  struct Case {
    std::wstring body, sent;
  };
  const Case cases[] = {
      {L".\r\nfirst line alone", L"..\r\nfirst line alone"},
      {L"a\r\n.\r\n.\r\nb\r\n", L"a\r\n..\r\n..\r\nb\r\n"},
      {L".abc\r\n.\r\n", L"..abc\r\n..\r\n"},  // the server would drop the first dot
      {L"a.b\r\n..\r\n", L"a.b\r\n...\r\n"},
      {L"bare\n.\nfeeds\r.", L"bare\r\n..\r\nfeeds\r\n.."},  // lone LF or CR ends a line too
      {L"", L""},
  };
  COutgoingMail mail;
  for (const Case& c : cases) {
    mail.body = c.body;
    EXPECT_EQ(TestClient(1).EscapeBody(mail), c.sent) << ToWireBytes(c.body);
    EXPECT_EQ(mail.body, c.body);
  }
}

TEST(SmtpClient, DateIsEnglishLocalTimeWithTheZoneName) {
  const char* saved = getenv("TZ");
  const std::string previous = saved ? saved : "";
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  tzset();
  EXPECT_EQ(FormatMailDate(0), L"Thu, 01 Jan 70 01:00:00 CET");
  EXPECT_EQ(FormatMailDate(1'720'000'000), L"Wed, 03 Jul 24 11:46:40 CEST");
  saved ? setenv("TZ", previous.c_str(), 1) : unsetenv("TZ");
  tzset();
}
