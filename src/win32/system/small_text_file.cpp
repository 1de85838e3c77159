#include "core/base/small_text_file.h"

#include <windows.h>

#include <algorithm>

#include "core/base/path_text.h"
#include "win32/system/win32_error.h"

namespace taruk {

SmallFileStatus ReadSmallTextFile(const std::string& path, std::size_t maxBytes, std::string& text,
                                  std::string& error) {
  const std::wstring wide = PathBytesToWide(path);
  // Checked on the open handle: a pipe or a device given the name is not
  // FILE_TYPE_DISK. A folder does not open at all (it needs backup semantics).
  const HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD failure = GetLastError();
    if (failure == ERROR_FILE_NOT_FOUND || failure == ERROR_PATH_NOT_FOUND) return SmallFileStatus::Missing;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      error = path + ": not a regular file";
    } else {
      error = path + ": cannot read: " + Win32ErrorUtf8(failure);
    }
    return SmallFileStatus::Bad;
  }
  LARGE_INTEGER size{};
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size)) {
    CloseHandle(file);
    error = path + ": not a regular file";
    return SmallFileStatus::Bad;
  }
  // Room for what the file says it holds and one byte more, where the end of
  // the file (or a file over the limit) shows.
  const auto statedSize = static_cast<std::size_t>(size.QuadPart);
  std::string content(std::min(statedSize, maxBytes) + 1, '\0');
  std::size_t length = 0;
  while (true) {
    if (length == content.size()) {
      // More than the file said: it grew.
      if (content.size() > maxBytes) break;
      content.resize(std::min(content.size() * 2, maxBytes + 1));
    }
    DWORD got = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(content.size() - length, 1u << 30));
    if (!ReadFile(file, content.data() + length, wanted, &got, nullptr)) {
      error = path + ": cannot read: " + Win32ErrorUtf8(GetLastError());
      CloseHandle(file);
      return SmallFileStatus::Bad;
    }
    if (got == 0) break;
    length += got;
  }
  CloseHandle(file);
  if (length > maxBytes) {
    error = path + ": larger than " + std::to_string(maxBytes) + " bytes";
    return SmallFileStatus::Bad;
  }
  content.resize(length);
  text = std::move(content);
  return SmallFileStatus::Read;
}

}  // namespace taruk
