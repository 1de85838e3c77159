#include <windows.h>

#include "core/base/executable_path.h"

#include "core/base/path_text.h"

namespace taruk {

namespace {
constexpr DWORD kLongestPath = 1 << 15;  // the longest name Windows has
}  // namespace

std::string RunningExecutablePath() {
  // GetModuleFileNameW cuts a long path short without saying how long it is;
  // grow until it fits.
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      std::string bytes;
      return WidePathToBytes(buffer, kLongestPath * 4, bytes) ? bytes : std::string();
    }
    if (buffer.size() >= kLongestPath) return {};
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace taruk
