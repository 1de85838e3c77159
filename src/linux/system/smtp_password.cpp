#include "core/mail/smtp_password.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/base/atomic_file.h"
#include "core/settings/side_settings.h"
#include "linux/system/secret_service_module.h"
#include "linux/system/taruk_modules.h"

namespace taruk {

namespace {

constexpr size_t kMaxPasswordBytes = 4096;
constexpr char kSecretService[] = "the Secret Service";

struct SecretModule {
  std::string loadError;
  secret_module::LookupFunction lookup = reinterpret_cast<secret_module::LookupFunction>(
      TarukModuleSymbol(secret_module::kName, secret_module::kLookup, loadError));
  secret_module::StoreFunction store = reinterpret_cast<secret_module::StoreFunction>(
      TarukModuleSymbol(secret_module::kName, secret_module::kStore, loadError));

  bool Usable(std::string& error) const {
    if (!lookup || !store) error = loadError;
    return lookup && store;
  }
};

const SecretModule& Secrets() {
  static const SecretModule module;
  return module;
}

bool HasSessionBus(std::string& error) {
  // Without one libsecret would try to start a bus of its own.
  const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (bus && *bus) return true;
  error = std::string(kSecretService) + ": no session D-Bus";
  return false;
}

bool FromSecretService(const std::string& server, const std::string& user, PasswordLookup& lookup, std::string& error) {
  if (!HasSessionBus(error)) return false;
  std::string serviceError;
  if (Secrets().Usable(serviceError) && Secrets().lookup(server, user, lookup.password, serviceError)) {
    lookup.store = kSecretService;
    return true;
  }
  error = std::string(kSecretService) + ": " + serviceError;
  return false;
}

// The whole file, less one final line end (echo adds one).
bool ReadPasswordFile(const std::string& path, bool ownerOnly, PasswordLookup& lookup, std::string& error) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
  if (fd < 0) {
    error = path + ": " + (errno == ENOENT ? std::string("missing") : std::strerror(errno));
    return false;
  }
  struct stat status {};
  std::string text;
  bool ok = fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
  if (!ok) {
    error = path + ": not a regular file";
  } else if (ownerOnly && (status.st_mode & (S_IRGRP | S_IROTH)) != 0) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(status.st_mode & 07777));
    error = path + ": refused, others may read it (mode " + mode + "; chmod 600 it)";
    ok = false;
  } else {
    char buffer[kMaxPasswordBytes + 1];
    const ssize_t count = read(fd, buffer, sizeof buffer);
    ok = count >= 0 && static_cast<size_t>(count) <= kMaxPasswordBytes;
    if (ok) text.assign(buffer, static_cast<size_t>(count));
    if (!ok) error = path + ": can't be read";
  }
  close(fd);
  if (!ok) return false;
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (!text.empty() && text.back() == '\r') text.pop_back();
  lookup.password = text;
  lookup.store = path;
  return true;
}

void Note(std::string& lookedIn, const std::string& place) { lookedIn += (lookedIn.empty() ? "" : "; ") + place; }

}  // namespace

PasswordLookup FindSmtpPassword(const std::string& server, const std::string& user) {
  PasswordLookup lookup;
  std::string error;
  const char* credentials = std::getenv("CREDENTIALS_DIRECTORY");
  if (credentials && *credentials) {
    lookup.found = ReadPasswordFile(std::string(credentials) + "/smtp-password", false, lookup, error);
    if (lookup.found) return lookup;
    Note(lookup.lookedIn, error);
  }
  lookup.found = FromSecretService(server, user, lookup, error);
  if (lookup.found) return lookup;
  Note(lookup.lookedIn, error);
  const std::string file = SettingsFolderFile(L"smtp-password");
  lookup.found = !file.empty() && ReadPasswordFile(file, true, lookup, error);
  if (!lookup.found) Note(lookup.lookedIn, file.empty() ? "no settings folder" : error);
  return lookup;
}

bool SaveSmtpPassword(const std::string& server, const std::string& user, const std::string& password,
                      std::string& store, std::string& error) {
  std::string serviceFailure;
  if (HasSessionBus(serviceFailure)) {
    std::string serviceError;
    if (Secrets().Usable(serviceError) && Secrets().store(server, user, password, serviceError)) {
      store = kSecretService;
      return true;
    }
    serviceFailure = std::string(kSecretService) + ": " + serviceError;
  }
  const std::string file = SettingsFolderFile(L"smtp-password");
  if (!file.empty() && ReplaceFileAtomically(file, password, 0600)) {
    // A file kept from before keeps its mode: make it the owner's alone.
    if (chmod(file.c_str(), 0600) == 0) {
      store = file;
      return true;
    }
  }
  error = serviceFailure + "; " + (file.empty() ? "no settings folder" : file + ": " + std::strerror(errno));
  return false;
}

}  // namespace taruk
