#include <windows.h>

#include "core/mail/smtp_password.h"

#include <wincred.h>

#include "core/base/atomic_file.h"
#include "core/base/path_text.h"
#include "core/base/small_text_file.h"
#include "core/settings/side_settings.h"
#include "win32/system/win32_error.h"

namespace taruk {

namespace {

constexpr size_t kMaxPasswordBytes = 4096;
constexpr char kCredentialManager[] = "the Credential Manager";

std::wstring TargetName(const std::string& server, const std::string& user) {
  return PathBytesToWide("Taruk/SMTP/" + user + "@" + server);
}

}  // namespace

PasswordLookup FindSmtpPassword(const std::string& server, const std::string& user) {
  PasswordLookup lookup;
  PCREDENTIALW credential = nullptr;
  if (CredReadW(TargetName(server, user).c_str(), CRED_TYPE_GENERIC, 0, &credential)) {
    lookup.password.assign(reinterpret_cast<const char*>(credential->CredentialBlob), credential->CredentialBlobSize);
    CredFree(credential);
    lookup.found = true;
    lookup.store = kCredentialManager;
    return lookup;
  }
  const DWORD failure = GetLastError();
  lookup.lookedIn =
      std::string(kCredentialManager) + ": " +
      (failure == ERROR_NOT_FOUND ? "no password stored for " + user + "@" + server : Win32ErrorUtf8(failure));
  // The file lies in the user's own profile, which only the user may read.
  const std::string file = SettingsFolderFile(L"smtp-password");
  std::string text;
  std::string error;
  const SmallFileStatus status =
      file.empty() ? SmallFileStatus::Missing : ReadSmallTextFile(file, kMaxPasswordBytes, text, error);
  if (status == SmallFileStatus::Read) {
    if (!text.empty() && text.back() == '\n') text.pop_back();
    if (!text.empty() && text.back() == '\r') text.pop_back();
    lookup.found = true;
    lookup.password = text;
    lookup.store = file;
    return lookup;
  }
  lookup.lookedIn += "; " + (file.empty()                         ? std::string("no settings folder")
                             : status == SmallFileStatus::Missing ? file + ": missing"
                                                                  : error);
  return lookup;
}

bool SaveSmtpPassword(const std::string& server, const std::string& user, const std::string& password,
                      std::string& store, std::string& error) {
  std::wstring target = TargetName(server, user);
  std::wstring userName = PathBytesToWide(user);
  CREDENTIALW credential{};
  credential.Type = CRED_TYPE_GENERIC;
  credential.TargetName = target.data();
  credential.CredentialBlobSize = static_cast<DWORD>(password.size());
  credential.CredentialBlob = reinterpret_cast<LPBYTE>(const_cast<char*>(password.data()));
  credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
  credential.UserName = userName.data();
  if (CredWriteW(&credential, 0)) {
    store = kCredentialManager;
    return true;
  }
  error = std::string(kCredentialManager) + ": " + Win32ErrorUtf8(GetLastError());
  return false;
}

}  // namespace taruk
