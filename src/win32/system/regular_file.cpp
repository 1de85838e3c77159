#include "core/base/regular_file.h"

#include <windows.h>

#include "core/base/path_text.h"

namespace taruk {

// A folder does not open without FILE_FLAG_BACKUP_SEMANTICS; a device or a
// pipe opens but is not FILE_TYPE_DISK.
RegularFile::RegularFile(const std::string& path) {
  const HANDLE file = CreateFileW(PathBytesToWide(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  if (GetFileType(file) == FILE_TYPE_DISK) {
    handle_ = reinterpret_cast<std::intptr_t>(file);
  } else {
    CloseHandle(file);
  }
}

RegularFile::~RegularFile() {
  if (IsOpen()) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

long long RegularFile::Read(char* buffer, std::size_t size) {
  if (!IsOpen()) return -1;
  DWORD got = 0;
  const DWORD wanted = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
  if (!ReadFile(reinterpret_cast<HANDLE>(handle_), buffer, wanted, &got, nullptr)) return -1;
  return got;
}

bool MakeFolder(const std::string& path) { return CreateDirectoryW(PathBytesToWide(path).c_str(), nullptr) != 0; }

}  // namespace taruk
