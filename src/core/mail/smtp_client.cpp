#include "core/mail/smtp_client.h"

#include <ctime>

#include "core/base/path_text.h"
#include "core/mail/base64.h"
#include "core/mail/mail_text.h"
#include "core/mail/smtp_reply.h"
#include "core/mail/tcp_connection.h"

namespace taruk {

namespace {

const wchar_t* const SocketError = L"Socket Error";
const wchar_t* const ConnectTimedOut = L"Timed out connecting to server";
const wchar_t* const SendTimedOut = L"Timed out sending to server";
const wchar_t* const ReplyTimedOut = L"Timed out waiting for the server's reply";
const wchar_t* const ReplyTooLong = L"Server reply too long";
const wchar_t* const Stopped = L"Stopped: the monitor is ending";
const wchar_t* const AddressWithLineBreak = L"Mail address contains a line break";
const wchar_t* const HandshakeTimedOut = L"Timed out in the TLS handshake";
const wchar_t* const NoStartTls = L"The server does not offer STARTTLS";
const wchar_t* const CredentialsNeedTls = L"The user name and password are sent only over TLS: choose STARTTLS or TLS";
const wchar_t* const BytesBeforeHandshake =
    L"The server sent data between its reply to STARTTLS and the TLS handshake (possible attack); the connection was "
    L"closed";
const wchar_t* const NoAuthMechanism = L"The server offers neither AUTH PLAIN nor AUTH LOGIN";

struct ReplyKind {
  int code;
  const wchar_t* mismatch;
};

// Indexed by CSmtpClient::ExpectedReply.
const ReplyKind ReplyKinds[] = {
    {250, L"SMTP server error"},
    {220, L"SMTP server not available"},
    {354, L"SMTP server not ready for data"},
    {221, L"SMTP server didn't terminate session"},
    {235, L"SMTP server refused the login"},
    {334, L"SMTP server refused the login"},
};

// The EHLO reply's extension keywords, upper case: "STARTTLS", "AUTH PLAIN
// LOGIN" (the old "AUTH=PLAIN" form too).
struct Extensions {
  bool startTls = false;
  bool plain = false;
  bool login = false;
};

Extensions ReadExtensions(const std::string& reply) {
  Extensions found;
  size_t start = 0;
  while (start < reply.size()) {
    size_t end = reply.find('\n', start);
    if (end == std::string::npos) end = reply.size();
    std::string line = reply.substr(start, end - start);
    start = end + 1;
    if (line.size() < 4) continue;
    std::string words;
    for (const char c : line.substr(4))
      words += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : (c == '=' || c == '\r' ? ' ' : c);
    size_t space = words.find(' ');
    const std::string keyword = words.substr(0, space);
    if (keyword == "STARTTLS") found.startTls = true;
    if (keyword != "AUTH") continue;
    while (space != std::string::npos) {
      const size_t next = words.find(' ', space + 1);
      const std::string mechanism = words.substr(space + 1, next == std::string::npos ? next : next - space - 1);
      found.plain = found.plain || mechanism == "PLAIN";
      found.login = found.login || mechanism == "LOGIN";
      space = next;
    }
  }
  return found;
}

// The reply as the server wrote it, without its last line end.
std::wstring WithoutLineEnd(std::wstring reply) {
  while (!reply.empty() && (reply.back() == L'\n' || reply.back() == L'\r')) reply.pop_back();
  return reply;
}

// The name this machine gives itself in HELO; "localhost" when it has none.
std::wstring LocalHostName() {
  const std::string name = MachineHostName();
  return name.empty() ? L"localhost" : FromWireBytes(name);
}

const wchar_t* ErrorText(NetResult result, const wchar_t* timedOut) {
  switch (result) {
    case NetResult::TimedOut:
      return timedOut;
    case NetResult::TooLong:
      return ReplyTooLong;
    case NetResult::Stopped:
      return Stopped;
    default:
      return SocketError;
  }
}

bool EndsWithLineEnd(const std::wstring& text) {
  return text.size() >= 2 && text.compare(text.size() - 2, 2, L"\r\n") == 0;
}

}  // namespace

CSmtpClient::CSmtpClient(std::wstring server, uint32_t port, SmtpTimeouts timeouts)
    : timeouts(timeouts), port(port), server(std::move(server)) {}

CSmtpClient::~CSmtpClient() {
  if (connected) Disconnect();
  DropConnection();
}

bool CSmtpClient::Connect() {
  if (connected) return true;
  DropConnection();

  ServerAddress address;
  address.port = port;
  const std::string field = ToWireBytes(server);
  if (!field.empty() && !ParseServerAddress(field, address)) {
    lastError = L"Bad server address: " + server;
    return false;
  }
  const SmtpSecurity mode = security.value_or(DefaultSecurity(address.port));
  if (mode == SmtpSecurity::None && !user.empty()) {
    lastError = CredentialsNeedTls;
    return false;
  }

  SocketHandle connection = kNoSocket;
  bool created = false;
  NetResult result = NetResult::Failed;
  if (address.port > 0 && address.port <= 0xFFFF) {
    result = ConnectTcp(address.host, static_cast<uint16_t>(address.port), DeadlineAfter(timeouts.connect), connection,
                        created, stopFd);
  } else {
    created = true;  // no port to connect to: the server cannot be reached
  }
  if (!created) {
    lastError = L"Unable to create the socket.";
    return false;
  }
  if (result != NetResult::Ok) {
    lastError = result == NetResult::Failed ? L"Unable to connect to server" : ErrorText(result, ConnectTimedOut);
    return false;
  }
  socket = connection;
  if (mode == SmtpSecurity::Tls && !Handshake(address.host)) return false;

  if (!ReadReply(ReplyReady)) {
    // A greeting that never came, or never ended, keeps its own text.
    if (lastError != ReplyTimedOut && lastError != ReplyTooLong && lastError != Stopped) {
      lastError = L"Server didn't respond.";
    }
    DropConnection();
    return false;
  }
  if (mode == SmtpSecurity::None) {
    if (!SendText(L"HELO " + LocalHostName() + L"\r\n")) return false;
    if (!ReadReply(ReplyOk)) {
      DropConnection();
      return false;
    }
  } else if (!Hello() || (mode == SmtpSecurity::StartTls && !StartTls(address.host)) ||
             (!user.empty() && !Authenticate())) {
    DropConnection();
    return false;
  }
  connected = true;
  return true;
}

bool CSmtpClient::Hello() { return SendText(L"EHLO " + LocalHostName() + L"\r\n") && ReadReply(ReplyOk); }

bool CSmtpClient::StartTls(const std::string& host) {
  if (!ReadExtensions(ToWireBytes(replyText)).startTls) {
    lastError = NoStartTls;
    return false;
  }
  if (!SendText(L"STARTTLS\r\n")) return false;
  if (!ReadReply(ReplyReady)) {
    if (socket != kNoSocket) lastError = L"The server refused STARTTLS: " + WithoutLineEnd(replyText);
    return false;
  }
  // Whatever came behind the reply was written before the handshake, where
  // anyone on the way can put it: it must not be read as the server's.
  std::string early;
  const NetResult waiting =
      pending.empty() ? ReceiveSome(socket, early, 1, std::chrono::steady_clock::now(), stopFd) : NetResult::Ok;
  if (waiting != NetResult::TimedOut) {
    lastError = waiting == NetResult::Ok ? BytesBeforeHandshake : NetErrorText(waiting, ReplyTimedOut);
    return false;
  }
  // The capabilities seen so far were sent in plain text: asked again.
  return Handshake(host) && Hello();
}

bool CSmtpClient::Handshake(const std::string& host) {
  tls = MakeTlsStream(socket, host, trust);
  const NetResult result = tls->Handshake(DeadlineAfter(timeouts.reply), stopFd);
  if (result == NetResult::Ok) return true;
  lastError = NetErrorText(result, HandshakeTimedOut);
  DropConnection();
  return false;
}

bool CSmtpClient::Authenticate() {
  const Extensions offered = ReadExtensions(ToWireBytes(replyText));
  if (offered.plain) {
    const std::string credentials = std::string(1, '\0') + user + '\0' + password;
    return SendBytes("AUTH PLAIN " + Base64(credentials) + "\r\n") && ExpectAuthReply(ReplyAuthenticated);
  }
  if (offered.login) {
    return SendText(L"AUTH LOGIN\r\n") && ExpectAuthReply(ReplyMoreAuth) && SendBytes(Base64(user) + "\r\n") &&
           ExpectAuthReply(ReplyMoreAuth) && SendBytes(Base64(password) + "\r\n") &&
           ExpectAuthReply(ReplyAuthenticated);
  }
  lastError = NoAuthMechanism;
  return false;
}

bool CSmtpClient::ExpectAuthReply(ExpectedReply expected) {
  if (ReadReply(expected)) return true;
  // "535 5.7.8 Username and Password not accepted": the server's words say
  // what to fix.
  if (socket != kNoSocket) lastError = WithoutLineEnd(replyText);
  return false;
}

bool CSmtpClient::Send(COutgoingMail& mail) {
  if (!connected) {
    lastError = L"Must be connected";
    return false;
  }
  if (!PrepareMail(mail)) return false;
  return Transmit(mail);
}

bool CSmtpClient::Disconnect() {
  if (!connected) {
    DropConnection();
    return true;
  }
  const bool closed = SendText(L"QUIT\r\n") && ReadReply(ReplyClosing);
  DropConnection();
  return closed;
}

bool CSmtpClient::PrepareMail(COutgoingMail& mail) {
  if (!BuildHeader(mail)) return false;
  if (!EndsWithLineEnd(mail.body)) mail.body += L"\r\n";
  return true;
}

bool CSmtpClient::BuildHeader(COutgoingMail& mail) {
  if (mail.RecipientCount() < 1) {
    lastError = L"No Recipients";
    return false;
  }
  mail.header.clear();
  std::wstring to;
  for (const MailRecipient& recipient : mail.recipients) {
    if (!to.empty()) to += L",";
    to += OnOneLine(recipient.name) + L"<" + recipient.address + L">";
  }
  mail.date = static_cast<int64_t>(std::time(nullptr));
  const std::wstring date = FormatMailDate(static_cast<std::time_t>(mail.date));
  // A line break in the subject or a name would start a header of its own.
  mail.header = L"Date: " + date + L"\r\nFrom: " + mail.from + L"\r\nTo: " + to + L"\r\nSubject: " +
                OnOneLine(mail.subject) + L"\r\nX-Mailer: <" + OnOneLine(mailerName) + L">\r\n\r\n";
  return true;
}

std::wstring CSmtpClient::EscapeBody(const COutgoingMail& mail) const { return StuffBody(mail.body); }

bool CSmtpClient::Transmit(COutgoingMail& mail) {
  if (!connected) {
    lastError = L"Must be connected";
    return false;
  }
  // An address is written into a command line as it is: a line break in it
  // would let it send commands of its own.
  bool safe = !HasLineBreak(mail.from);
  for (const MailRecipient& recipient : mail.recipients) safe = safe && !HasLineBreak(recipient.address);
  if (!safe) {
    lastError = AddressWithLineBreak;
    return false;
  }

  if (!SendText(L"MAIL From: <" + mail.from + L">\r\n") || !ReadReply(ReplyOk)) return false;
  for (const MailRecipient& recipient : mail.recipients) {
    if (!SendText(L"RCPT TO: <" + recipient.address + L">\r\n")) return false;
    // A refused recipient does not stop the mail to the others; its text
    // stays in lastError. A broken connection does stop it.
    ReadReply(ReplyOk);
    if (!connected) return false;
  }
  if (!SendText(L"DATA\r\n") || !ReadReply(ReplyStartData)) return false;
  if (!SendText(mail.header) || !SendText(EscapeBody(mail)) || !SendText(L"\r\n.\r\n")) return false;
  return ReadReply(ReplyOk);
}

bool CSmtpClient::ReadReply(ExpectedReply expected) {
  const Deadline deadline = DeadlineAfter(timeouts.reply);
  ReplyBounds bounds;
  while (!FindReply(pending, bounds)) {
    // No final line within the bound: an endless reply is a broken server.
    const NetResult result = pending.size() < MaxReplyBytes ? Receive(deadline) : NetResult::TooLong;
    if (result != NetResult::Ok) {
      lastError = NetErrorText(result, ReplyTimedOut);
      DropConnection();
      return false;
    }
  }
  // Bytes behind the reply belong to the next one.
  replyText = FromWireBytes(pending.substr(0, bounds.end));
  const int code = ReplyCode(pending.substr(bounds.finalLine, bounds.end - bounds.finalLine));
  pending.erase(0, bounds.end);

  const ReplyKind& kind = ReplyKinds[expected];
  if (code == kind.code) return true;
  lastError = std::to_wstring(code) + L":" + kind.mismatch;
  return false;
}

NetResult CSmtpClient::Receive(Deadline deadline) {
  const size_t limit = MaxReplyBytes - pending.size();
  return tls ? tls->Receive(pending, limit, deadline, stopFd) : ReceiveSome(socket, pending, limit, deadline, stopFd);
}

bool CSmtpClient::SendText(const std::wstring& text) { return SendBytes(ToWireBytes(text)); }

bool CSmtpClient::SendBytes(const std::string& bytes) {
  const Deadline deadline = DeadlineAfter(timeouts.send);
  const NetResult result = tls ? tls->Send(bytes, deadline, stopFd) : SendAll(socket, bytes, deadline, stopFd);
  if (result == NetResult::Ok) return true;
  lastError = NetErrorText(result, SendTimedOut);
  DropConnection();
  return false;
}

std::wstring CSmtpClient::NetErrorText(NetResult result, const wchar_t* timedOut) const {
  // The TLS layer knows why it failed ("certificate expired").
  if (tls && result == NetResult::Failed && !tls->ErrorText().empty()) return PathBytesToWide(tls->ErrorText());
  return ErrorText(result, timedOut);
}

void CSmtpClient::DropConnection() {
  tls.reset();
  CloseSocket(socket);
  connected = false;
  pending.clear();
}

}  // namespace taruk
