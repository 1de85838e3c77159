#include "core/view/test_email.h"

#include "core/mail/outgoing_mail.h"
#include "core/mail/smtp_client.h"

namespace taruk {

void SendTestEmail(const std::wstring& address, const std::wstring& server, uint32_t port,
                   const std::function<void(const std::wstring& message)>& showFailure) {
  COutgoingMail mail;
  mail.from = address;
  mail.AddRecipient(address, address);
  mail.subject = L"Test e-mail from Taruk";
  mail.body = L"It works";

  CSmtpClient client(server, port);
  if (!client.Connect()) {
    client.Disconnect();
    showFailure(L"Can't connect to the SMTP server!");
    return;
  }
  if (!client.Send(mail)) showFailure(L"Can't send the e-mail!");
  client.Disconnect();
}

}  // namespace taruk
