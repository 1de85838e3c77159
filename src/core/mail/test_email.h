#pragma once
// The Options dialog's "Send test e-mail", without the dialog.

#include <cstdint>
#include <functional>
#include <string>

namespace taruk {

// Sends "Test e-mail from Taruk" from and to `address` through `server` on
// `port`, with the texts as they stand: nothing is checked or stored. A
// failure calls `showFailure` with the message the dialog shows: "Can't
// connect to the SMTP server!" or "Can't send the e-mail!", then, after a
// blank line, the server's reply or the TLS error ("535 5.7.8 Username and
// Password not accepted", "certificate name mismatch: expected
// smtp.example.org"). A refused mail is shown while the connection is still
// open: the user hears of it before QUIT, whose reply a silent server may
// hold back for the client's whole time-out.
void SendTestEmail(const std::wstring& address, const std::wstring& server, uint32_t port,
                   const std::function<void(const std::wstring& message)>& showFailure);

}  // namespace taruk
