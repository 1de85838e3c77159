#include "core/mail/test_email.h"

#include <cwctype>

#include "core/mail/mail_account.h"
#include "core/mail/outgoing_mail.h"
#include "core/mail/smtp_client.h"

namespace taruk {

namespace {

// A refused step shows the server's own words ("550 no such sender"), any
// other failure the client's text.
std::wstring Reason(const CSmtpClient& client) {
  const std::wstring& error = client.LastError();
  const bool refused = error.size() > 4 && error[3] == L':' && iswdigit(error[0]);
  if (!refused) return error;
  std::wstring reply = client.LastReply();
  while (!reply.empty() && (reply.back() == L'\n' || reply.back() == L'\r')) reply.pop_back();
  return reply.empty() ? error : reply;
}

}  // namespace

void SendTestEmail(const std::wstring& address, const std::wstring& server, uint32_t port,
                   const std::function<void(const std::wstring& message)>& showFailure) {
  COutgoingMail mail;
  mail.from = address;
  mail.AddRecipient(address, address);
  mail.subject = L"Test e-mail from Taruk";
  mail.body = L"It works";

  std::wstring refusal;
  const std::unique_ptr<CSmtpClient> client = MakeMailClient(server, port, mail, refusal);
  if (!client) {
    showFailure(L"Can't connect to the SMTP server!\n\n" + refusal);
    return;
  }
  // The server's own reply or the TLS error says what to fix.
  if (!client->Connect()) {
    const std::wstring reason = Reason(*client);
    client->Disconnect();
    showFailure(L"Can't connect to the SMTP server!\n\n" + reason);
    return;
  }
  if (!client->Send(mail)) showFailure(L"Can't send the e-mail!\n\n" + Reason(*client));
  client->Disconnect();
}

}  // namespace taruk
