#include "core/view/test_email.h"

#include "core/mail/outgoing_mail.h"
#include "core/mail/smtp_client.h"

namespace taruk {

std::wstring SendTestEmail(const std::wstring& address, const std::wstring& server, uint32_t port) {
  COutgoingMail mail;
  mail.from = address;
  mail.AddRecipient(address, address);
  mail.subject = L"Test e-mail from Taruk";
  mail.body = L"It works";

  CSmtpClient client(server, port);
  if (!client.Connect()) {
    client.Disconnect();
    return L"Can't connect to the SMTP server!";
  }
  const bool sent = client.Send(mail);
  client.Disconnect();
  return sent ? std::wstring() : L"Can't send the e-mail!";
}

}  // namespace taruk
