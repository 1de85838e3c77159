#include "core/base/path_text.h"

#include <cerrno>
#include <utility>

#include "linux/system/iconv_converter.h"

namespace taruk {

namespace {

constexpr wchar_t kEscapeBase = 0xDC00;

// Runs iconv over `in` into `out`, stopping at the first sequence it rejects.
// Returns false on a rejected or incomplete sequence, leaving `inPtr` on it.
bool ConvertUntilStuck(iconv_t cd, char*& inPtr, size_t& inLeft, std::string& out) {
  char buffer[256];
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    const size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    out.append(buffer, sizeof buffer - outLeft);
    if (result == static_cast<size_t>(-1) && errno != E2BIG) return false;
  }
  return true;
}

}  // namespace

const wchar_t kPathSeparators[] = L"/";

std::wstring PathBytesToWide(std::string_view bytes) {
  std::wstring wide;
  thread_local const IconvConverter converter("WCHAR_T", "UTF-8");
  if (!converter.ok()) {
    for (const char byte : bytes) wide += static_cast<wchar_t>(static_cast<unsigned char>(byte));
    return wide;
  }
  const iconv_t cd = converter.get();
  converter.Reset();
  char* inPtr = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  std::string converted;
  while (!ConvertUntilStuck(cd, inPtr, inLeft, converted)) {
    // The byte that stopped iconv starts no valid sequence: escape it alone.
    wide.append(reinterpret_cast<const wchar_t*>(converted.data()), converted.size() / sizeof(wchar_t));
    converted.clear();
    wide += static_cast<wchar_t>(kEscapeBase + static_cast<unsigned char>(*inPtr));
    ++inPtr;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  wide.append(reinterpret_cast<const wchar_t*>(converted.data()), converted.size() / sizeof(wchar_t));
  return wide;
}

bool WidePathToBytes(const std::wstring& path, size_t maxBytes, std::string& bytes) {
  thread_local const IconvConverter converter("UTF-8", "WCHAR_T");
  if (!converter.ok()) return false;
  const iconv_t cd = converter.get();
  converter.Reset();
  char* inPtr = const_cast<char*>(reinterpret_cast<const char*>(path.data()));
  size_t inLeft = path.size() * sizeof(wchar_t);
  std::string out;
  bool ok = true;
  while (ok && !ConvertUntilStuck(cd, inPtr, inLeft, out)) {
    // Only escapes of the bytes 0x80..0xFF turn back into bytes.
    const wchar_t c = *reinterpret_cast<const wchar_t*>(inPtr);
    if (inLeft < sizeof(wchar_t) || c < kEscapeBase + 0x80 || c > kEscapeBase + 0xFF) {
      ok = false;
      break;
    }
    out += static_cast<char>(c - kEscapeBase);
    inPtr += sizeof(wchar_t);
    inLeft -= sizeof(wchar_t);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  // A NUL would end the name early in every system call that takes it.
  if (!ok || out.size() > maxBytes || out.find('\0') != std::string::npos) return false;
  bytes = std::move(out);
  return true;
}

}  // namespace taruk
