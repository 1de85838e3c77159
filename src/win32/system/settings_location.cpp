#include <windows.h>

#include "core/settings/settings_location.h"

namespace taruk {

namespace {

// An unset variable and an empty one mean the same.
std::wstring Variable(const wchar_t* name) {
  std::wstring value(256, L'\0');
  for (;;) {
    const DWORD length = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    if (length == 0) return {};
    if (length < value.size()) {
      value.resize(length);
      return value;
    }
    value.resize(length);  // the size asked for, terminator included
  }
}

}  // namespace

SettingsFolder FindSettingsFolder() {
  const std::wstring appData = Variable(L"APPDATA");
  if (appData.empty()) return {L"C:\\", false};
  return {appData + L"\\Taruk", false};
}

std::wstring SettingsFileIn(const std::wstring& folder) { return folder + L"\\conf.dat"; }

}  // namespace taruk
