#include "core/mail/smtp_client.h"

#include <ctime>

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
};

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

  SocketHandle connection = kNoSocket;
  bool created = false;
  NetResult result = NetResult::Failed;
  if (port > 0 && port <= 0xFFFF) {
    result = ConnectTcp(ToWireBytes(server), static_cast<uint16_t>(port), DeadlineAfter(timeouts.connect),
                        connection, created, stopFd);
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

  if (!ReadReply(ReplyReady)) {
    // A greeting that never came, or never ended, keeps its own text.
    if (lastError != ReplyTimedOut && lastError != ReplyTooLong && lastError != Stopped) {
      lastError = L"Server didn't respond.";
    }
    DropConnection();
    return false;
  }
  if (!SendText(L"HELO " + LocalHostName() + L"\r\n")) return false;
  if (!ReadReply(ReplyOk)) {
    DropConnection();
    return false;
  }
  connected = true;
  return true;
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
    const NetResult result = pending.size() < MaxReplyBytes
                                 ? ReceiveSome(socket, pending, MaxReplyBytes - pending.size(), deadline, stopFd)
                                 : NetResult::TooLong;
    if (result != NetResult::Ok) {
      lastError = ErrorText(result, ReplyTimedOut);
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

bool CSmtpClient::SendText(const std::wstring& text) {
  const NetResult result = SendAll(socket, ToWireBytes(text), DeadlineAfter(timeouts.send), stopFd);
  if (result == NetResult::Ok) return true;
  lastError = ErrorText(result, SendTimedOut);
  DropConnection();
  return false;
}

void CSmtpClient::DropConnection() {
  CloseSocket(socket);
  connected = false;
  pending.clear();
}

}  // namespace taruk
