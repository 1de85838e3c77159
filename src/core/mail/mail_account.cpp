#include "core/mail/mail_account.h"

#include "core/base/path_text.h"
#include "core/mail/mail_server.h"
#include "core/mail/mail_text.h"
#include "core/mail/smtp_password.h"
#include "core/settings/side_settings.h"

namespace taruk {

std::unique_ptr<CSmtpClient> MakeMailClient(const std::wstring& serverField, uint32_t defaultPort, COutgoingMail& mail,
                                            std::wstring& error) {
  SideSettings side;
  std::string reason;
  if (LoadSideSettings(side, reason) == SideFileStatus::Bad) {
    error = L"Can't read the mail settings: " + PathBytesToWide(reason);
    return nullptr;
  }
  const MailServerSettings settings = ReadMailServerSettings(side);
  if (!settings.sender.empty()) mail.from = PathBytesToWide(settings.sender);
  ServerAddress address;
  address.port = settings.port.value_or(defaultPort);
  // A field that does not parse is the client's to report.
  ParseServerAddress(ToWireBytes(serverField), address);

  auto client = std::make_unique<CSmtpClient>(serverField, address.port);
  client->security = settings.security;
  client->trust = settings.trust;
  client->user = settings.user;
  if (settings.user.empty()) return client;
  const PasswordLookup password = FindSmtpPassword(address.host, settings.user);
  if (!password.found) {
    error = PathBytesToWide("No password for " + settings.user + " at " + address.host + ": looked in " +
                            password.lookedIn);
    return nullptr;
  }
  client->password = password.password;
  return client;
}

}  // namespace taruk
