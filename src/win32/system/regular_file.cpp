#include <windows.h>

#include "core/base/regular_file.h"

#include "core/base/path_text.h"
#include "win32/system/win32_error.h"

namespace taruk {

// A folder does not open without FILE_FLAG_BACKUP_SEMANTICS; a device or a
// pipe opens but is not FILE_TYPE_DISK.
RegularFile::RegularFile(const std::string& path) {
  const std::wstring wide = PathBytesToWide(path);
  const HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD failure = GetLastError();
    if (failure == ERROR_FILE_NOT_FOUND || failure == ERROR_PATH_NOT_FOUND) {
      outcome_ = Opening::Missing;
    } else {
      const DWORD attributes = GetFileAttributesW(wide.c_str());
      const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
      outcome_ = folder ? Opening::NotRegular : Opening::Failed;
    }
    errorText_ = Win32ErrorUtf8(failure);
    return;
  }
  LARGE_INTEGER size{};
  if (GetFileType(file) == FILE_TYPE_DISK && GetFileSizeEx(file, &size)) {
    handle_ = reinterpret_cast<std::intptr_t>(file);
    outcome_ = Opening::Opened;
    statedSize_ = static_cast<std::size_t>(size.QuadPart);
  } else {
    CloseHandle(file);
    outcome_ = Opening::NotRegular;
  }
}

RegularFile::~RegularFile() {
  if (IsOpen()) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

long long RegularFile::Read(char* buffer, std::size_t size) {
  if (!IsOpen()) return -1;
  DWORD got = 0;
  const DWORD wanted = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
  if (!ReadFile(reinterpret_cast<HANDLE>(handle_), buffer, wanted, &got, nullptr)) {
    errorText_ = Win32ErrorUtf8(GetLastError());
    return -1;
  }
  return got;
}

bool MakeFolder(const std::string& path) { return CreateDirectoryW(PathBytesToWide(path).c_str(), nullptr) != 0; }

namespace {

std::int64_t Ticks(const FILETIME& time) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

}  // namespace

// Windows gives no file index without opening the file; the size and the
// write and creation times (100 ns ticks) stand for it.
bool StampFile(const std::string& path, FileStamp& stamp) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(PathBytesToWide(path).c_str(), GetFileExInfoStandard, &data)) return false;
  if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) return false;
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  constexpr std::int64_t kSettledAfter = 3 * 10'000'000;  // three seconds in ticks
  stamp.identity = 0;
  stamp.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  stamp.modified = Ticks(data.ftLastWriteTime);
  stamp.changed = Ticks(data.ftCreationTime);
  stamp.settled = Ticks(now) - stamp.modified > kSettledAfter && Ticks(now) - stamp.changed > kSettledAfter;
  return true;
}

}  // namespace taruk
