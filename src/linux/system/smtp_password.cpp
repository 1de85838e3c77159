#include "core/mail/smtp_password.h"

#include <fcntl.h>
#include <libsecret/secret.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "core/base/atomic_file.h"
#include "core/settings/side_settings.h"

namespace taruk {

namespace {

constexpr size_t kMaxPasswordBytes = 4096;
// A keyring that does not answer (one waiting for an unlock prompt nobody
// sees) must not hold the mail up for long.
constexpr auto kSecretServiceLimit = std::chrono::seconds(10);
constexpr char kSecretService[] = "the Secret Service";

const SecretSchema* Schema() {
  static const SecretSchema schema = {"org.taruk.Smtp",
                                      SECRET_SCHEMA_NONE,
                                      {{"server", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                       {"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                       {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                      0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
  return &schema;
}

// Cancels a libsecret call that runs past the limit.
class Watchdog {
 public:
  Watchdog() : cancellable_(g_cancellable_new()), thread_([this] { Watch(); }) {}
  ~Watchdog() {
    {
      const std::lock_guard<std::mutex> hold(lock_);
      done_ = true;
    }
    woken_.notify_all();
    thread_.join();
    g_object_unref(cancellable_);
  }
  GCancellable* cancellable() const { return cancellable_; }

 private:
  void Watch() {
    std::unique_lock<std::mutex> hold(lock_);
    if (!woken_.wait_for(hold, kSecretServiceLimit, [this] { return done_; })) g_cancellable_cancel(cancellable_);
  }
  GCancellable* cancellable_;
  std::mutex lock_;
  std::condition_variable woken_;
  bool done_ = false;
  std::thread thread_;
};

std::string Take(GError* error) {
  std::string text = error && error->message ? error->message : "failed";
  if (error) g_error_free(error);
  return text;
}

bool HasSessionBus(std::string& why) {
  // Without one libsecret would try to start a bus of its own.
  const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (bus && *bus) return true;
  why = std::string(kSecretService) + ": no session D-Bus";
  return false;
}

bool FromSecretService(const std::string& server, const std::string& user, PasswordLookup& lookup, std::string& why) {
  if (!HasSessionBus(why)) return false;
  GError* error = nullptr;
  gchar* password = nullptr;
  {
    Watchdog watchdog;
    password = secret_password_lookup_sync(Schema(), watchdog.cancellable(), &error, "server", server.c_str(), "user",
                                           user.c_str(), nullptr);
  }
  if (!password) {
    why = std::string(kSecretService) + ": " + (error ? Take(error) : "no password stored for " + user + "@" + server);
    return false;
  }
  lookup.password = password;
  secret_password_free(password);
  lookup.store = kSecretService;
  return true;
}

// The whole file, less one final line end (echo adds one).
bool ReadPasswordFile(const std::string& path, bool ownerOnly, PasswordLookup& lookup, std::string& why) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
  if (fd < 0) {
    why = path + ": " + (errno == ENOENT ? std::string("missing") : std::strerror(errno));
    return false;
  }
  struct stat status {};
  std::string text;
  bool ok = fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
  if (!ok) {
    why = path + ": not a regular file";
  } else if (ownerOnly && (status.st_mode & (S_IRGRP | S_IROTH)) != 0) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(status.st_mode & 07777));
    why = path + ": refused, others may read it (mode " + mode + "; chmod 600 it)";
    ok = false;
  } else {
    char buffer[kMaxPasswordBytes + 1];
    const ssize_t count = read(fd, buffer, sizeof buffer);
    ok = count >= 0 && static_cast<size_t>(count) <= kMaxPasswordBytes;
    if (ok) text.assign(buffer, static_cast<size_t>(count));
    if (!ok) why = path + ": can't be read";
  }
  close(fd);
  if (!ok) return false;
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (!text.empty() && text.back() == '\r') text.pop_back();
  lookup.password = text;
  lookup.store = path;
  return true;
}

void Note(std::string& lookedIn, const std::string& why) { lookedIn += (lookedIn.empty() ? "" : "; ") + why; }

}  // namespace

PasswordLookup FindSmtpPassword(const std::string& server, const std::string& user) {
  PasswordLookup lookup;
  std::string why;
  const char* credentials = std::getenv("CREDENTIALS_DIRECTORY");
  if (credentials && *credentials) {
    lookup.found = ReadPasswordFile(std::string(credentials) + "/smtp-password", false, lookup, why);
    if (lookup.found) return lookup;
    Note(lookup.lookedIn, why);
  }
  lookup.found = FromSecretService(server, user, lookup, why);
  if (lookup.found) return lookup;
  Note(lookup.lookedIn, why);
  const std::string file = SettingsFolderFile(L"smtp-password");
  lookup.found = !file.empty() && ReadPasswordFile(file, true, lookup, why);
  if (!lookup.found) Note(lookup.lookedIn, file.empty() ? "no settings folder" : why);
  return lookup;
}

bool SaveSmtpPassword(const std::string& server, const std::string& user, const std::string& password,
                      std::string& store, std::string& error) {
  std::string why;
  if (HasSessionBus(why)) {
    GError* failure = nullptr;
    bool stored = false;
    {
      Watchdog watchdog;
      const std::string label = "Taruk SMTP password for " + user + "@" + server;
      stored = secret_password_store_sync(Schema(), SECRET_COLLECTION_DEFAULT, label.c_str(), password.c_str(),
                                          watchdog.cancellable(), &failure, "server", server.c_str(), "user",
                                          user.c_str(), nullptr);
    }
    if (stored) {
      store = kSecretService;
      return true;
    }
    why = std::string(kSecretService) + ": " + Take(failure);
  }
  const std::string file = SettingsFolderFile(L"smtp-password");
  if (!file.empty() && ReplaceFileAtomically(file, password, 0600)) {
    // A file kept from before keeps its mode: make it the owner's alone.
    if (chmod(file.c_str(), 0600) == 0) {
      store = file;
      return true;
    }
  }
  error = why + "; " + (file.empty() ? "no settings folder" : file + ": " + std::strerror(errno));
  return false;
}

}  // namespace taruk
