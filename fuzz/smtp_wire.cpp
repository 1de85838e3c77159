// What a server sends and what a caller writes into a mail body, at random:
// a reply is found the same whether its bytes come at once or in two pieces,
// and the sent body can neither end the mail early nor lose a full stop.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/mail/mail_text.h"
#include "core/mail/smtp_reply.h"

using namespace taruk;

namespace {

void CheckReplyFraming(const std::string& bytes, size_t split) {
  ReplyBounds whole;
  const bool found = FindReply(bytes, whole);
  ReplyBounds pieces;
  std::string received = bytes.substr(0, split);
  bool foundInPieces = FindReply(received, pieces);
  if (!foundInPieces) {
    received += bytes.substr(split);
    foundInPieces = FindReply(received, pieces);
  }
  if (found != foundInPieces) std::abort();
  if (!found) return;
  if (whole.finalLine != pieces.finalLine || whole.end != pieces.end) std::abort();
  if (whole.finalLine >= whole.end || whole.end > bytes.size() || bytes[whole.end - 1] != '\n') std::abort();
  ReplyCode(bytes.substr(whole.finalLine, whole.end - whole.finalLine));
}

void CheckBodyStuffing(const std::wstring& body) {
  const std::wstring sent = StuffBody(body);
  if (sent.starts_with(L".\r\n") || sent.find(L"\r\n.\r\n") != std::wstring::npos) std::abort();
  // What the server hands on: each line without its added full stop, bare
  // line ends become CR LF.
  std::wstring restored;
  std::wstring expected;
  bool lineStart = true;
  for (size_t i = 0; i < sent.size(); ++i) {
    if (lineStart && sent[i] == L'.') ++i;
    if (i >= sent.size()) std::abort();
    restored.push_back(sent[i]);
    if (sent[i] == L'\r' && (i + 1 >= sent.size() || sent[i + 1] != L'\n')) std::abort();
    if (sent[i] == L'\n' && (i == 0 || sent[i - 1] != L'\r')) std::abort();
    lineStart = sent[i] == L'\n';
  }
  for (size_t i = 0; i < body.size(); ++i) {
    if (body[i] == L'\r' || body[i] == L'\n') {
      if (body[i] == L'\r' && i + 1 < body.size() && body[i + 1] == L'\n') ++i;
      expected += L"\r\n";
    } else {
      expected.push_back(body[i]);
    }
  }
  if (restored != expected) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  CheckReplyFraming(bytes, size == 0 ? 0 : data[0] % (size + 1));
  CheckBodyStuffing(FromWireBytes(bytes));
  return 0;
}
