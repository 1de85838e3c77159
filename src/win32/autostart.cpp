#include "win32/autostart.h"

#include <windows.h>

#include "core/base/utf8_text.h"
#include "win32/system_error_text.h"

namespace taruk {

namespace {

constexpr const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kValueName = L"Taruk";

std::wstring WideFromUtf8(const std::string& text) {
  if (text.empty()) return {};
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

}  // namespace

bool AutostartEntryExists() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  // Only the size is asked: a path of any length shows as set.
  DWORD type = 0;
  DWORD size = 0;
  const LSTATUS status = RegQueryValueExW(key, kValueName, nullptr, &type, nullptr, &size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

int WriteAutostartEntry(const std::string& executablePath) {
  HKEY key = nullptr;
  LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return static_cast<int>(status);
  const std::wstring path = WideFromUtf8(executablePath);
  // The whole string with its terminating null.
  status = RegSetValueExW(key, kValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                          static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return static_cast<int>(status);
}

void RemoveAutostartEntry() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueW(key, kValueName);
  RegCloseKey(key);
}

std::string SystemErrorText(int code) { return ToUtf8(SystemErrorText(static_cast<unsigned long>(code))); }

}  // namespace taruk
