#pragma once
// The entry of taruk-tls.so: TLS through OpenSSL, whose libssl and libcrypto
// (some two megabytes of a program that runs all day, for a mail most runs
// never send) are loaded by tls_stream.cpp at the first TLS connection.
// The module is handed the two calls of taruk's own that it needs, so that
// it carries no copy of them.

#include <string>

#include "core/mail/tls_stream.h"

namespace taruk::tls_module {

struct CallerCalls {
  NetResult (*waitUntilReady)(SocketHandle socket, bool forWriting, Deadline deadline, StopSignal stop);
  std::string (*normalisedPin)(const std::string& pin);
};

// A new stream, which the caller deletes.
using MakeFunction = TlsStream* (*)(SocketHandle socket, const std::string& host, const TlsTrust& trust,
                                    const CallerCalls& calls);

constexpr const char* kName = "taruk-tls.so";
constexpr const char* kMake = "taruk_tls_stream";

}  // namespace taruk::tls_module
