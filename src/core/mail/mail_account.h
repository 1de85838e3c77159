#pragma once
// The SMTP client as the settings ask for it: the server field, taruk.toml's
// [mail] table (port, security, user, CA file, fingerprint) and, for a user,
// the password from its store. The alert e-mails and the test e-mail alike.

#include <cstdint>
#include <memory>
#include <string>

#include "core/mail/outgoing_mail.h"
#include "core/mail/smtp_client.h"

namespace taruk {

// The port is the server field's, else [mail] port, else `defaultPort`. Null,
// with `error` in the user's words, when taruk.toml can't be read or the
// user's password is nowhere ("No password for ann at smtp.example.org:
// looked in ..."). A [mail] sender replaces `mail`'s from address (MAIL FROM
// and the From header); without one the mail keeps it.
std::unique_ptr<CSmtpClient> MakeMailClient(const std::wstring& serverField, uint32_t defaultPort, COutgoingMail& mail,
                                            std::wstring& error);

}  // namespace taruk
