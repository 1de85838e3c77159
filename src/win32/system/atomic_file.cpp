#include "core/base/atomic_file.h"

#include <windows.h>

#include <cerrno>
#include <random>

#include "core/base/path_text.h"
#include "win32/system/win32_error.h"

namespace taruk {

namespace {

constexpr size_t kUniqueLength = 6;
constexpr int kNameTries = 100;
const wchar_t kUniqueCharacters[] = L"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

std::wstring UniqueSuffix() {
  thread_local std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<size_t> pick(0, sizeof kUniqueCharacters / sizeof(wchar_t) - 2);
  std::wstring suffix(kUniqueLength, L'X');
  for (wchar_t& c : suffix) c = kUniqueCharacters[pick(random)];
  return suffix;
}

bool IsTemporaryOf(const std::wstring& entry, const std::wstring& name) {
  if (entry.size() != name.size() + 1 + kUniqueLength || entry.compare(0, name.size(), name) != 0 ||
      entry[name.size()] != L'.') {
    return false;
  }
  for (size_t i = name.size() + 1; i < entry.size(); ++i) {
    const wchar_t c = entry[i];
    if (!((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'))) return false;
  }
  return true;
}

size_t NameStart(const std::wstring& path) {
  const size_t separator = path.find_last_of(L"\\/");
  return separator == std::wstring::npos ? 0 : separator + 1;
}

bool WriteAll(HANDLE file, std::string_view contents) {
  while (!contents.empty()) {
    DWORD written = 0;
    const DWORD piece = contents.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(contents.size());
    if (!WriteFile(file, contents.data(), piece, &written, nullptr) || written == 0) return false;
    contents.remove_prefix(written);
  }
  return true;
}

// A save holds its temporary open, sharing nothing but the rename, until the
// rename is done; a temporary that opens for deletion with nothing shared was
// left by a save that never finished (a killed process, a power loss).
void RemoveLeftoverTemporaries(const std::wstring& target) {
  const size_t nameStart = NameStart(target);
  const std::wstring folder = target.substr(0, nameStart);
  const std::wstring name = target.substr(nameStart);
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW((target + L".*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
        !IsTemporaryOf(found.cFileName, name)) {
      continue;
    }
    const HANDLE leftover =
        CreateFileW((folder + found.cFileName).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                    FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (leftover != INVALID_HANDLE_VALUE) CloseHandle(leftover);
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

}  // namespace

bool ReplaceFileAtomically(const std::string& path, std::string_view contents, unsigned) {
  const std::wstring target = PathBytesToWide(path);
  // A read-only file stays as the user set it, as on Linux.
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
      !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    errno = EACCES;
    return false;
  }

  // CREATE_NEW: a fresh file or nothing, whatever waits under the name.
  std::wstring temporary;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < kNameTries && file == INVALID_HANDLE_VALUE; ++attempt) {
    temporary = target + L"." + UniqueSuffix();
    file = CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (file == INVALID_HANDLE_VALUE) {
    SetErrnoFromLastError();
    return false;
  }
  // Moved while still open, so no cleaner can take it for a leftover.
  bool ok = WriteAll(file, contents) && FlushFileBuffers(file) &&
            MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  const DWORD failure = GetLastError();
  CloseHandle(file);
  if (!ok) {
    DeleteFileW(temporary.c_str());
    errno = ErrnoFor(failure);
    return false;
  }
  RemoveLeftoverTemporaries(target);
  return true;
}

}  // namespace taruk
