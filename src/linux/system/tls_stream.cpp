// TLS through taruk-tls.so (linux/system/tls_stream_module.h), loaded at the
// first connection that asks for it.

#include "core/mail/tls_stream.h"

#include "linux/system/taruk_modules.h"
#include "linux/system/tls_stream_module.h"

namespace taruk {

namespace {

// Without the module every handshake fails, and says why.
class MissingTls final : public TlsStream {
 public:
  explicit MissingTls(std::string problem) : error_("TLS is not available: " + std::move(problem)) {}
  NetResult Handshake(Deadline, StopSignal) override { return NetResult::Failed; }
  NetResult Send(const std::string&, Deadline, StopSignal) override { return NetResult::Failed; }
  NetResult Receive(std::string&, size_t, Deadline, StopSignal) override { return NetResult::Failed; }
  const std::string& ErrorText() const override { return error_; }

 private:
  std::string error_;
};

}  // namespace

std::unique_ptr<TlsStream> MakeTlsStream(SocketHandle socket, const std::string& host, const TlsTrust& trust) {
  static std::string problem;
  static const auto make =
      reinterpret_cast<tls_module::MakeFunction>(TarukModuleSymbol(tls_module::kName, tls_module::kMake, problem));
  if (!make) return std::make_unique<MissingTls>(problem);
  static constexpr tls_module::CallerCalls calls{&WaitUntilReady, &NormalisedPin};
  return std::unique_ptr<TlsStream>(make(socket, host, trust, calls));
}

}  // namespace taruk
