#include <windows.h>

#include "core/base/folder_entries.h"

#include "core/base/path_text.h"

namespace taruk {

std::vector<std::string> FolderEntries(const std::string& path) {
  std::vector<std::string> names;
  std::wstring pattern = PathBytesToWide(path);
  if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = found.cFileName;
    std::string bytes;
    if (name != L"." && name != L".." && WidePathToBytes(name, 4 * MAX_PATH, bytes)) names.push_back(bytes);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

}  // namespace taruk
