#pragma once
// The entries of taruk-secret.so: the SMTP password in the desktop's Secret
// Service through libsecret, which brings GLib, GIO and libgcrypt (some two
// megabytes of a monitor that runs all day, for a mail most runs never
// send). smtp_password.cpp loads it when it looks for or keeps a password.
// `error` is libsecret's reason, or that nothing is stored.

#include <string>

namespace taruk::secret_module {

using LookupFunction = bool (*)(const std::string& server, const std::string& user, std::string& password,
                                std::string& error);
using StoreFunction = bool (*)(const std::string& server, const std::string& user, const std::string& password,
                               std::string& error);

constexpr const char* kName = "taruk-secret.so";
constexpr const char* kLookup = "taruk_secret_lookup";
constexpr const char* kStore = "taruk_secret_store";

}  // namespace taruk::secret_module
