#include <windows.h>

#include "core/base/atomic_file.h"

#include <cerrno>
#include <cstring>
#include <random>

#include "core/base/path_text.h"
#include "win32/system/win32_error.h"

namespace taruk {

namespace {

constexpr size_t kUniqueLength = 6;
constexpr int kNameTries = 100;
const wchar_t kUniqueCharacters[] = L"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
// A leftover younger than this may belong to a save still running.
constexpr ULONGLONG kLeftoverAge100ns = 60ULL * 10'000'000ULL;

enum class Existing { Replace, Keep };

FileWrite Failed(int error, std::string reason) {
  errno = error;
  return {false, error, std::move(reason)};
}

// In the C library's words, as on Linux: the logs read the same on both.
FileWrite SystemFailure(DWORD win32Error) {
  const int error = ErrnoFor(win32Error);
  return Failed(error, std::strerror(error));
}

std::wstring UniqueSuffix() {
  thread_local std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<size_t> pick(0, sizeof kUniqueCharacters / sizeof(wchar_t) - 2);
  std::wstring suffix(kUniqueLength, L'X');
  for (wchar_t& c : suffix) c = kUniqueCharacters[pick(random)];
  return suffix;
}

// ".NAME.taruk-" and six letters or digits.
bool IsTemporaryOf(const std::wstring& entry, const std::wstring& name) {
  const std::wstring prefix = L"." + name + L".taruk-";
  if (entry.size() != prefix.size() + kUniqueLength || entry.compare(0, prefix.size(), prefix) != 0) return false;
  for (size_t i = prefix.size(); i < entry.size(); ++i) {
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

ULONGLONG AsNumber(const FILETIME& time) {
  return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// A save holds its temporary open, sharing nothing but the rename, until the
// rename is done; a temporary that opens for deletion with nothing shared was
// left by a save that never finished (a killed process, a power loss).
void RemoveLeftoverTemporaries(const std::wstring& folder, const std::wstring& name) {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW((folder + L"." + name + L".taruk-*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
        !IsTemporaryOf(found.cFileName, name) || AsNumber(found.ftLastWriteTime) + kLeftoverAge100ns > AsNumber(now)) {
      continue;
    }
    const HANDLE leftover = CreateFileW((folder + found.cFileName).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (leftover != INVALID_HANDLE_VALUE) CloseHandle(leftover);
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

// The attributes of the name itself. A link whose target can't be reached
// has none to GetFileAttributesW; its folder entry still has them.
DWORD NameAttributes(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES || path.find_first_of(L"*?") != std::wstring::npos) return attributes;
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return INVALID_FILE_ATTRIBUTES;
  FindClose(search);
  return found.dwFileAttributes;
}

// What stands at the target. The name's own attributes show a link or
// junction as a reparse point (they are not followed for the last part of
// the path); the device check needs a handle: a device name (NUL, CON, COM1)
// opens the device, which is not a disk file.
FileWrite CheckTarget(const std::wstring& target, bool& exists) {
  const DWORD attributes = NameAttributes(target);
  exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return Failed(EPERM, "it is a link (a reparse point), which is never written through or replaced");
  }
  if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return Failed(EISDIR, "it is a folder, not a regular file: left as it is");
  }
  const HANDLE file =
      CreateFileW(target.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    exists = true;
    const DWORD type = GetFileType(file);
    CloseHandle(file);
    if (type != FILE_TYPE_DISK) return Failed(EPERM, "it is a device, not a regular file: left as it is");
  }
  // A read-only file stays as the user set it, as on Linux.
  if (exists && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    return Failed(EACCES, std::strerror(EACCES));
  }
  return {true, 0, {}};
}

FileWrite WriteFileAtomically(const std::string& path, std::string_view contents, Existing existing) {
  const std::wstring target = PathBytesToWide(path);
  bool exists = false;
  if (FileWrite check = CheckTarget(target, exists); !check) return check;
  if (exists && existing == Existing::Keep) return Failed(EEXIST, std::strerror(EEXIST));

  const size_t nameStart = NameStart(target);
  const std::wstring folder = target.substr(0, nameStart);
  const std::wstring name = target.substr(nameStart);
  // CREATE_NEW: a fresh file or nothing, whatever waits under the name. It
  // is open from its creation on, so no cleaner can take it meanwhile.
  std::wstring temporary;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < kNameTries && file == INVALID_HANDLE_VALUE; ++attempt) {
    temporary = folder + L"." + name + L".taruk-" + UniqueSuffix();
    file = CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (file == INVALID_HANDLE_VALUE) return SystemFailure(GetLastError());
  // Moved while still open, so no cleaner can take it for a leftover.
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (existing == Existing::Replace ? MOVEFILE_REPLACE_EXISTING : 0);
  const bool ok =
      WriteAll(file, contents) && FlushFileBuffers(file) && MoveFileExW(temporary.c_str(), target.c_str(), flags);
  const DWORD failure = GetLastError();
  CloseHandle(file);
  if (!ok) {
    DeleteFileW(temporary.c_str());
    return SystemFailure(failure);
  }
  RemoveLeftoverTemporaries(folder, name);
  return {true, 0, {}};
}

}  // namespace

FileWrite ReplaceFileAtomically(const std::string& path, std::string_view contents, unsigned) {
  return WriteFileAtomically(path, contents, Existing::Replace);
}

FileWrite CreateFileAtomically(const std::string& path, std::string_view contents, unsigned) {
  return WriteFileAtomically(path, contents, Existing::Keep);
}

}  // namespace taruk
