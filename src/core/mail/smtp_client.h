#pragma once
// The monitor's own SMTP client: plain SMTP, no authentication, one server,
// one connection per client. Every step has a time-out.

#include <chrono>
#include <cstdint>
#include <string>

#include "core/base/stop_request.h"
#include "core/mail/outgoing_mail.h"
#include "core/mail/tcp_connection.h"

namespace taruk {

// Where mail is handed to a server: the alert e-mails and the test e-mail.
constexpr uint32_t kSmtpPort = 25;

// The time-outs of every network step, in one place.
struct SmtpTimeouts {
  std::chrono::milliseconds connect{30'000};
  std::chrono::milliseconds send{60'000};
  std::chrono::milliseconds reply{60'000};
};

class CSmtpClient {
 public:
  enum ExpectedReply { ReplyOk = 0, ReplyReady = 1, ReplyStartData = 2, ReplyClosing = 3 };

  CSmtpClient(std::wstring server, uint32_t port, SmtpTimeouts timeouts = {});
  virtual ~CSmtpClient();
  CSmtpClient(const CSmtpClient&) = delete;
  CSmtpClient& operator=(const CSmtpClient&) = delete;

  bool Connect();
  bool Send(COutgoingMail& mail);
  bool Disconnect();
  // The text of the server's last reply (the alert log shows the answer to a
  // sent mail).
  const std::wstring& LastReply() const { return replyText; }

  std::wstring lastError = L"OK";
  std::wstring mailerName = L"Orvo Mail";
  // The program's stop request (the headless monitor's stop signals); every
  // wait ends on it at once. kNoStopSignal: nothing but the time-outs ends a
  // wait.
  StopSignal stopFd = kNoStopSignal;

 protected:
  const SmtpTimeouts timeouts;
  virtual bool PrepareMail(COutgoingMail& mail);
  bool BuildHeader(COutgoingMail& mail);
  std::wstring EscapeBody(const COutgoingMail& mail) const;
  bool Transmit(COutgoingMail& mail);
  bool ReadReply(ExpectedReply expected);

 private:
  // Sends one piece of text; on failure sets lastError and drops the
  // connection.
  bool SendText(const std::wstring& text);
  // Closes the socket after a broken or timed-out exchange, or at the end.
  void DropConnection();

  bool connected = false;
  uint32_t port;
  std::wstring server;
  SocketHandle socket = kNoSocket;
  std::string pending;  // received bytes that follow the last reply
  std::wstring replyText;
};

}  // namespace taruk
