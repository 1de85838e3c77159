#include "core/mail/mail_server.h"

namespace taruk {

namespace {

constexpr char kTable[] = "mail";

bool ParsePort(const std::string& text, uint32_t& port) {
  if (text.empty() || text.size() > 5) return false;
  uint32_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint32_t>(c - '0');
  }
  if (value == 0 || value > 0xFFFF) return false;
  port = value;
  return true;
}

SideSettingChange TextChange(const char* key, const std::string& value) {
  if (value.empty()) return {kTable, key, std::nullopt};
  return {kTable, key, SideValue{value}};
}

}  // namespace

SmtpSecurity DefaultSecurity(uint32_t port) {
  switch (port) {
    case 587:
      return SmtpSecurity::StartTls;
    case 465:
      return SmtpSecurity::Tls;
    default:
      return SmtpSecurity::None;
  }
}

const char* SecurityName(SmtpSecurity security) {
  switch (security) {
    case SmtpSecurity::StartTls:
      return "starttls";
    case SmtpSecurity::Tls:
      return "tls";
    case SmtpSecurity::None:
      break;
  }
  return "none";
}

std::optional<SmtpSecurity> SecurityFromName(const std::string& name) {
  for (const SmtpSecurity security : {SmtpSecurity::None, SmtpSecurity::StartTls, SmtpSecurity::Tls}) {
    if (name == SecurityName(security)) return security;
  }
  return std::nullopt;
}

MailServerSettings ReadMailServerSettings(const SideSettings& side) {
  MailServerSettings settings;
  if (const auto port = side.Integer(kTable, "port"); port && *port > 0 && *port <= 0xFFFF) {
    settings.port = static_cast<uint32_t>(*port);
  }
  if (const auto security = side.Text(kTable, "security")) settings.security = SecurityFromName(*security);
  settings.user = side.Text(kTable, "user").value_or("");
  settings.sender = side.Text(kTable, "sender").value_or("");
  settings.trust.caFile = side.Text(kTable, "ca-file").value_or("");
  settings.trust.pinSha256 = side.Text(kTable, "fingerprint").value_or("");
  return settings;
}

std::vector<SideSettingChange> MailServerChanges(const MailServerSettings& settings) {
  std::vector<SideSettingChange> changes;
  changes.push_back(settings.port ? SideSettingChange{kTable, "port", SideValue{int64_t{*settings.port}}}
                                  : SideSettingChange{kTable, "port", std::nullopt});
  changes.push_back(TextChange("security", settings.security ? SecurityName(*settings.security) : ""));
  changes.push_back(TextChange("user", settings.user));
  changes.push_back(TextChange("sender", settings.sender));
  changes.push_back(TextChange("ca-file", settings.trust.caFile));
  changes.push_back(TextChange("fingerprint", settings.trust.pinSha256));
  return changes;
}

bool ParseServerAddress(const std::string& field, ServerAddress& address) {
  std::string host = field;
  std::string port;
  if (!host.empty() && host.front() == '[') {
    const size_t close = host.find(']');
    if (close == std::string::npos) return false;
    const std::string rest = host.substr(close + 1);
    host = host.substr(1, close - 1);
    if (!rest.empty()) {
      if (rest.front() != ':') return false;
      port = rest.substr(1);
      if (port.empty()) return false;
    }
  } else if (const size_t colon = host.find(':');
             colon != std::string::npos && host.find(':', colon + 1) == std::string::npos) {
    // One colon: host and port. More: a bare IPv6 address.
    port = host.substr(colon + 1);
    host.resize(colon);
    if (port.empty()) return false;
  }
  if (host.empty()) return false;
  uint32_t number = address.port;
  if (!port.empty() && !ParsePort(port, number)) return false;
  address.host = host;
  address.port = number;
  address.portGiven = !port.empty();
  return true;
}

}  // namespace taruk
