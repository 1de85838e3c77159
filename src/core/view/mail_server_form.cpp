#include "core/view/mail_server_form.h"

#include "core/base/path_text.h"
#include "core/base/utf8_text.h"
#include "core/mail/mail_text.h"
#include "core/mail/smtp_password.h"
#include "core/mail/tls_stream.h"

namespace taruk {

const std::array<const wchar_t*, 3> SecurityTexts = {L"None", L"STARTTLS", L"TLS"};

namespace {

// 1..65535, digits only; 0 for anything else.
uint32_t PortNumber(const std::wstring& text) {
  if (text.empty() || text.size() > 5) return 0;
  uint32_t port = 0;
  for (const wchar_t c : text) {
    if (c < L'0' || c > L'9') return 0;
    port = port * 10 + static_cast<uint32_t>(c - L'0');
  }
  return port <= 0xFFFF ? port : 0;
}

// UTF-8 without the spaces around it.
std::string Trimmed(const std::wstring& text) {
  const std::string bytes = ToUtf8(text);
  const size_t first = bytes.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return bytes.substr(first, bytes.find_last_not_of(" \t") - first + 1);
}

bool IsFingerprint(const std::string& trust) { return !NormalisedPin(trust).empty(); }

}  // namespace

MailServerForm MailServerFormFrom(const std::wstring& serverField, const SideSettings& side) {
  const MailServerSettings settings = ReadMailServerSettings(side);
  MailServerForm form;
  form.server = serverField;
  if (settings.port) form.port = std::to_wstring(*settings.port);
  ServerAddress address;
  address.port = settings.port.value_or(25);
  ParseServerAddress(ToWireBytes(serverField), address);
  form.security = static_cast<int>(settings.security.value_or(DefaultSecurity(address.port)));
  form.user = PathBytesToWide(settings.user);
  form.sender = PathBytesToWide(settings.sender);
  form.trust = PathBytesToWide(settings.trust.pinSha256.empty() ? settings.trust.caFile : settings.trust.pinSha256);
  return form;
}

int SecurityForPort(const std::wstring& port, int current) {
  const uint32_t number = PortNumber(port);
  if (number != 25 && number != 587 && number != 465) return current;
  return static_cast<int>(DefaultSecurity(number));
}

std::wstring CheckMailServerForm(const MailServerForm& form) {
  ServerAddress address;
  if (!ParseServerAddress(ToWireBytes(form.server), address)) {
    return L"The SMTP server must be a name or an address, with a port if need be: smtp.example.org, "
           L"smtp.example.org:587, [2001:db8::1]:587";
  }
  if (!form.port.empty() && PortNumber(form.port) == 0) return L"The port must be a number from 1 to 65535";
  if (form.security < 0 || form.security >= static_cast<int>(SecurityTexts.size())) {
    return L"Choose the security: None, STARTTLS or TLS";
  }
  const std::string user = Trimmed(form.user);
  if (!user.empty() && form.security == static_cast<int>(SmtpSecurity::None)) {
    return L"The user name and password are sent only over TLS: choose STARTTLS or TLS";
  }
  if (user.empty() && !form.password.empty()) return L"A password needs a user name";
  // Between the angle brackets of MAIL FROM and in the From header.
  if (Trimmed(form.sender).find_first_of(" \t\r\n<>") != std::string::npos) {
    return L"The sender must be one e-mail address, such as disks@example.org";
  }
  const std::string trust = Trimmed(form.trust);
  if (!trust.empty() && !IsFingerprint(trust) &&
      trust.find_first_not_of("0123456789abcdefABCDEF:") == std::string::npos) {
    return L"The pinned fingerprint is not a SHA-256 fingerprint (64 hex digits)";
  }
  return L"";
}

MailServerSettings MailServerSettingsFrom(const MailServerForm& form) {
  MailServerSettings settings;
  if (const uint32_t port = PortNumber(form.port)) settings.port = port;
  settings.security = static_cast<SmtpSecurity>(form.security);
  settings.user = Trimmed(form.user);
  settings.sender = Trimmed(form.sender);
  const std::string trust = Trimmed(form.trust);
  (IsFingerprint(trust) ? settings.trust.pinSha256 : settings.trust.caFile) = trust;
  return settings;
}

bool StoreMailServerForm(MailServerForm& form, std::wstring& note, std::wstring& error) {
  note.clear();
  error = CheckMailServerForm(form);
  if (!error.empty()) return false;
  const MailServerSettings settings = MailServerSettingsFrom(form);
  std::string reason;
  if (!ChangeSideSettings(MailServerChanges(settings), reason)) {
    error = L"Can't store the mail settings: " + PathBytesToWide(reason);
    return false;
  }
  if (form.password.empty()) return true;
  ServerAddress address;
  ParseServerAddress(ToWireBytes(form.server), address);
  std::string store;
  if (!SaveSmtpPassword(address.host, settings.user, ToUtf8(form.password), store, reason)) {
    error = L"Can't store the password: " + PathBytesToWide(reason);
    return false;
  }
  note = L"The password is kept in " + PathBytesToWide(store) + L".";
  form.password.clear();
  return true;
}

}  // namespace taruk
