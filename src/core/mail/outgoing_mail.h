#pragma once
// One e-mail to send: sender, subject, body and recipients. The header block
// and the date are filled just before sending.

#include <cstdint>
#include <string>
#include <vector>

namespace taruk {

struct MailRecipient {
  std::wstring address;  // RCPT TO and the To header
  std::wstring name;     // the To header only
};

class COutgoingMail {
 public:
  virtual ~COutgoingMail() = default;

  bool AddRecipient(const std::wstring& address, const std::wstring& name);
  bool GetRecipient(int index, std::wstring& address, std::wstring& name) const;
  int RecipientCount() const;

  std::wstring from;
  std::wstring subject;
  std::wstring header;  // built by CSmtpClient::BuildHeader
  int64_t date = 0;     // seconds since 1970, set by BuildHeader
  std::wstring body;
  std::vector<MailRecipient> recipients;
};

}  // namespace taruk
