#include <windows.h>

#include "win32/autostart.h"

#include "core/base/path_text.h"
#include "core/base/utf8_text.h"
#include "win32/system_error_text.h"

namespace taruk {

namespace {

constexpr const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kValueName = L"Taruk";

// Windows reads an unquoted value with a space ("C:\Program Files\...")
// as "C:\Program.exe" and arguments when such a file exists: a path with a
// space is stored quoted, any other as it is.
std::wstring RunCommandFor(const std::wstring& path) {
  return path.find(L' ') == std::wstring::npos ? path : L"\"" + path + L"\"";
}

HKEY RootOf(RunScope scope) { return scope == RunScope::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

bool RunValueExists(HKEY root) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, kRunKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  // Only the size is asked: a path of any length shows as set.
  DWORD type = 0;
  DWORD size = 0;
  const LSTATUS status = RegQueryValueExW(key, kValueName, nullptr, &type, nullptr, &size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

void DeleteRunValue(HKEY root) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, kRunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueW(key, kValueName);
  RegCloseKey(key);
}

}  // namespace

bool AutostartEntryExists() { return RunValueExists(HKEY_LOCAL_MACHINE) || RunValueExists(HKEY_CURRENT_USER); }

int EnableRunAtStartup(const std::string& executablePath, const std::function<bool()>& offerUserValue,
                       const RunValueWriter& write) {
  const int error = write(executablePath, RunScope::Machine);
  if (error != static_cast<int>(ERROR_ACCESS_DENIED)) return error;
  if (!offerUserValue()) return 0;
  return write(executablePath, RunScope::User);
}

int EnableRunAtStartup(const std::string& executablePath, const std::function<bool()>& offerUserValue) {
  return EnableRunAtStartup(executablePath, offerUserValue,
                            [](const std::string& path, RunScope scope) { return WriteAutostartEntry(path, scope); });
}

int WriteAutostartEntry(const std::string& executablePath, RunScope scope) {
  HKEY key = nullptr;
  LSTATUS status = RegCreateKeyExW(RootOf(scope), kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return static_cast<int>(status);
  const std::wstring path = RunCommandFor(PathBytesToWide(executablePath));
  // The whole string with its terminating null.
  status = RegSetValueExW(key, kValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                          static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return static_cast<int>(status);
}

void RemoveAutostartEntry() {
  DeleteRunValue(HKEY_LOCAL_MACHINE);
  DeleteRunValue(HKEY_CURRENT_USER);
}

std::string SystemErrorText(int code) { return ToUtf8(SystemErrorText(static_cast<unsigned long>(code))); }

}  // namespace taruk
