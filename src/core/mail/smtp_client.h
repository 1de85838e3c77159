#pragma once
// The monitor's own SMTP client: one server, one connection per client.
// Plain SMTP with HELO as it always was, or over TLS (STARTTLS or TLS from
// the start) with EHLO and, given a user, AUTH PLAIN or AUTH LOGIN. Every
// step, the TLS handshake included, has a time-out and ends on the stop
// request.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/base/stop_request.h"
#include "core/mail/mail_server.h"
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
  enum ExpectedReply {
    ReplyOk = 0,
    ReplyReady = 1,
    ReplyStartData = 2,
    ReplyClosing = 3,
    ReplyAuthenticated = 4,
    ReplyMoreAuth = 5
  };

  // `server` is the server field: "host", "host:port", "[IPv6]:port"...; a
  // port named there is taken over `port`.
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
  // Why the last failing step failed; "OK" until one fails, and never reset.
  const std::wstring& LastError() const { return lastError; }

  std::wstring mailerName = L"Orvo Mail";
  // The program's stop request (the headless monitor's stop signals); every
  // wait ends on it at once. kNoStopSignal: nothing but the time-outs ends a
  // wait.
  StopSignal stopFd = kNoStopSignal;
  // Unset: by the port (DefaultSecurity). A user without TLS is refused
  // before anything is sent: credentials never travel in plain text.
  std::optional<SmtpSecurity> security;
  TlsTrust trust;
  std::string user;      // UTF-8; empty: no AUTH
  std::string password;  // UTF-8; never shown, never logged

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
  bool SendBytes(const std::string& bytes);
  NetResult Receive(Deadline deadline);
  std::wstring NetErrorText(NetResult result, const wchar_t* timedOut) const;
  // The steps past HELO's place when the connection is to be made safe.
  bool StartTls(const std::string& host);
  bool Handshake(const std::string& host);
  bool Hello();
  bool Authenticate();
  // lastError becomes the server's own reply, as the user must see it.
  bool ExpectAuthReply(ExpectedReply expected);
  // Closes the socket after a broken or timed-out exchange, or at the end.
  void DropConnection();

  std::wstring lastError = L"OK";
  bool connected = false;
  uint32_t port;
  std::wstring server;
  SocketHandle socket = kNoSocket;
  std::unique_ptr<TlsStream> tls;
  std::string pending;  // received bytes that follow the last reply
  std::wstring replyText;
};

}  // namespace taruk
