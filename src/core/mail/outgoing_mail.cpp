#include "core/mail/outgoing_mail.h"

namespace taruk {

bool COutgoingMail::AddRecipient(const std::wstring& address, const std::wstring& name) {
  recipients.push_back(MailRecipient{address, name});
  return true;
}

bool COutgoingMail::GetRecipient(int index, std::wstring& address, std::wstring& name) const {
  if (index < 0 || index >= RecipientCount()) return false;
  address = recipients[static_cast<size_t>(index)].address;
  name = recipients[static_cast<size_t>(index)].name;
  return true;
}

int COutgoingMail::RecipientCount() const { return static_cast<int>(recipients.size()); }

}  // namespace taruk
