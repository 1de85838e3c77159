#pragma once
// Where and how mail is handed over: the server field ("host", "host:port",
// an IPv4 address, "[IPv6]:port" or a bare IPv6 address), and the [mail]
// table of taruk.toml:
//
//   [mail]
//   port = 587                # when the server field names none; else 25
//   security = "starttls"     # "none", "starttls" or "tls"; else by port
//   user = "me@example.org"   # AUTH with this user; the password is never here
//   sender = "disks@example.org"  # MAIL FROM and From:; else the E-mail address
//   ca-file = "/etc/ssl/relay-ca.pem"   # trusted besides the system's CAs
//   fingerprint = "ab:cd:..."           # SHA-256 of the server certificate

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/mail/tls_stream.h"
#include "core/settings/side_settings.h"

namespace taruk {

// None is plain SMTP with HELO, as it always was; StartTls upgrades the
// connection and refuses a server that does not offer it; Tls speaks TLS
// from the first byte.
enum class SmtpSecurity { None, StartTls, Tls };

// 25: None, 587: StartTls, 465: Tls; any other port None.
SmtpSecurity DefaultSecurity(uint32_t port);
const char* SecurityName(SmtpSecurity security);
std::optional<SmtpSecurity> SecurityFromName(const std::string& name);

// The [mail] table, as the user left it.
struct MailServerSettings {
  std::optional<uint32_t> port;
  std::optional<SmtpSecurity> security;
  std::string user;    // empty: no AUTH
  std::string sender;  // empty: the E-mail address sends
  TlsTrust trust;
};

MailServerSettings ReadMailServerSettings(const SideSettings& side);
// The changes that store `settings` (a value left empty is removed).
std::vector<SideSettingChange> MailServerChanges(const MailServerSettings& settings);

// Host and port of the server field; `port` stays as given when the field
// names none. False for a field that does not parse (an empty host, a port
// beyond 1..65535, an unclosed bracket).
struct ServerAddress {
  std::string host;  // bytes: a name, a dotted IPv4 or an IPv6 address without brackets
  uint32_t port = 25;
  bool portGiven = false;
};
bool ParseServerAddress(const std::string& field, ServerAddress& address);

}  // namespace taruk
