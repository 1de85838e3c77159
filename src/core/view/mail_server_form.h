#pragma once
// The "Mail server" dialog without the dialog: its fields as texts and a list
// selection, filled from the server field and taruk.toml's [mail] table,
// checked, and stored back (the password in the system's password store,
// never in taruk.toml). The Qt and the Win32 dialog only move texts.

#include <array>
#include <string>
#include <vector>

#include "core/mail/mail_server.h"
#include "core/settings/side_settings.h"

namespace taruk {

// The security list's entries, in SmtpSecurity order.
extern const std::array<const wchar_t*, 3> SecurityTexts;

struct MailServerForm {
  std::wstring server;    // the server field: host, host:port, [IPv6]:port
  std::wstring port;      // empty: the server field's, else 25
  int security = 0;       // SecurityTexts index
  std::wstring user;      // empty: no login
  std::wstring trust;     // a CA file, or the certificate's SHA-256 fingerprint
  std::wstring password;  // empty: the stored one stays
  std::wstring sender;    // empty: the Options dialog's E-mail address sends
};

MailServerForm MailServerFormFrom(const std::wstring& serverField, const SideSettings& side);

// The security the port stands for (25 none, 587 STARTTLS, 465 TLS); the
// current one for any other port or a text that is no port.
int SecurityForPort(const std::wstring& port, int current);

// Empty when the form may be stored, else what to fix, in the user's words.
std::wstring CheckMailServerForm(const MailServerForm& form);

// The [mail] values the form stands for: a trust text of 64 hex digits (with
// or without colons) is a fingerprint, anything else a CA file.
MailServerSettings MailServerSettingsFrom(const MailServerForm& form);

// The dialog's OK: checks the form (CheckMailServerForm), then stores
// taruk.toml's [mail] table and, when one was typed, the password, which then
// leaves the form. False with the reason in `error`; `note` says where the
// password went ("The password is kept in the Credential Manager.").
bool StoreMailServerForm(MailServerForm& form, std::wstring& note, std::wstring& error);

}  // namespace taruk
