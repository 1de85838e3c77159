#pragma once
// Where the SMTP password is kept: never in taruk.toml. Looked for in turn:
//   Linux:   $CREDENTIALS_DIRECTORY/smtp-password (a systemd service's
//            LoadCredential=), the desktop's Secret Service (libsecret,
//            attributes server and user), then the file smtp-password beside
//            conf.dat, refused when anyone but its owner may read it.
//   Windows: the Credential Manager (generic credential
//            "Taruk/SMTP/USER@SERVER"), then the file smtp-password beside
//            conf.dat.
// Texts name the store, never the password.

#include <string>

namespace taruk {

struct PasswordLookup {
  bool found = false;
  std::string password;  // UTF-8
  std::string store;     // where it was found: "the Secret Service", a file's path...
  // When not found: every place looked in, and why it held nothing
  // ("the Secret Service: no session D-Bus; /home/ann/.config/Taruk/smtp-password: missing").
  std::string lookedIn;
};

PasswordLookup FindSmtpPassword(const std::string& server, const std::string& user);

// Keeps the password in the first store that takes it (the Secret Service or
// the Credential Manager, else the owner-only file). `store` names where.
bool SaveSmtpPassword(const std::string& server, const std::string& user, const std::string& password,
                      std::string& store, std::string& error);

}  // namespace taruk
