#include <windows.h>

#include "win32/drive_letter_volumes.h"

namespace taruk {

std::vector<std::wstring> DriveLetterVolumes::Roots() {
  std::vector<std::wstring> roots;
  for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) roots.push_back(std::wstring{letter, L':', L'\\'});
  return roots;
}

bool DriveLetterVolumes::FreeBytesAvailable(const std::wstring& root, uint64_t& bytes) {
  // A drive without a medium would otherwise ask the user to insert one and
  // hold the cycle until somebody answers.
  DWORD oldMode = 0;
  const bool modeSet = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
  ULARGE_INTEGER available{};
  const bool answered = GetDiskFreeSpaceExW(root.c_str(), &available, nullptr, nullptr);
  if (modeSet) SetThreadErrorMode(oldMode, nullptr);
  if (!answered) return false;
  bytes = available.QuadPart;
  return true;
}

}  // namespace taruk
