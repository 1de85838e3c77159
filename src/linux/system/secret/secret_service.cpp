// taruk-secret.so's entries (linux/system/secret_service_module.h).
#include <libsecret/secret.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "linux/system/secret_service_module.h"

#define TARUK_MODULE_ENTRY extern "C" __attribute__((visibility("default")))

namespace {

// A keyring that does not answer (one waiting for an unlock prompt nobody
// sees) must not hold the mail up for long.
constexpr auto kSecretServiceLimit = std::chrono::seconds(10);

const SecretSchema* Schema() {
  static const SecretSchema schema = {"org.taruk.Smtp",
                                      SECRET_SCHEMA_NONE,
                                      {{"server", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                       {"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                       {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                      0,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr};
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

}  // namespace

TARUK_MODULE_ENTRY bool taruk_secret_lookup(const std::string& server, const std::string& user, std::string& password,
                                            std::string& error) {
  GError* gerror = nullptr;
  gchar* found = nullptr;
  {
    Watchdog watchdog;
    found = secret_password_lookup_sync(Schema(), watchdog.cancellable(), &gerror, "server", server.c_str(), "user",
                                        user.c_str(), nullptr);
  }
  if (!found) {
    error = gerror ? Take(gerror) : "no password stored for " + user + "@" + server;
    return false;
  }
  password = found;
  secret_password_free(found);
  return true;
}

TARUK_MODULE_ENTRY bool taruk_secret_store(const std::string& server, const std::string& user,
                                           const std::string& password, std::string& error) {
  GError* gerror = nullptr;
  bool stored = false;
  {
    Watchdog watchdog;
    const std::string label = "Taruk SMTP password for " + user + "@" + server;
    stored = secret_password_store_sync(Schema(), SECRET_COLLECTION_DEFAULT, label.c_str(), password.c_str(),
                                        watchdog.cancellable(), &gerror, "server", server.c_str(), "user", user.c_str(),
                                        nullptr);
  }
  if (!stored) error = Take(gerror);
  return stored;
}
