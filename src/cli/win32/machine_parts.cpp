// The Windows machine behind taruk.exe's modes: the console it was started
// from, the arguments from the wide command line, the physical drives
// through DeviceIoControl, the drive-letter volumes.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

#include "cli/platform.h"
#include "core/base/utf8_text.h"
#include "win32/drive_letter_volumes.h"
#include "win32/live_drives.h"

namespace taruk {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  // The bytes as written: a report piped into a file is the same as on
  // Linux, line ends included. A console shows them as UTF-8.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  // The console's code page outlives the program: the one it had comes back
  // at the end.
  static const UINT consoleCodePage = GetConsoleOutputCP();
  if (consoleCodePage != 0 && consoleCodePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
    std::atexit([] { SetConsoleOutputCP(consoleCodePage); });
  }
  // A drive without a medium must not ask the user to insert one.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);

  // argv holds the ANSI code page's guess at the names; the wide command
  // line holds them all.
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return {argv, argv + argc};
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(ToUtf8(wide[i]));
  LocalFree(wide);
  return arguments;
}

std::unique_ptr<DeviceOpener> MakeLiveDrives(StopSignal stop) { return MakeLiveDeviceOpener(stop); }

std::unique_ptr<Volumes> MakeMachineVolumes() { return std::make_unique<DriveLetterVolumes>(); }

}  // namespace taruk
