// conf.dat on Windows: %APPDATA%\Taruk, code page 1251 through the system's
// table, and the save's temporary moved over the old file.
#include <windows.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "core/base/atomic_file.h"
#include "core/base/path_text.h"
#include "core/settings/settings_file.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

using namespace taruk;

namespace {

std::wstring Wide(const std::string& bytes) { return PathBytesToWide(bytes); }

}  // namespace

TEST(Win32Settings, ConfDatUnderAppDataIsWrittenReplacedAndReadBack) {
  ScratchDir scratch;
  ScopedEnv appData("APPDATA", scratch.path());
  const std::string folder = scratch.path() + "\\Taruk";
  const std::string file = folder + "\\conf.dat";
  EXPECT_EQ(SettingsPath(), Wide(file));

  MonitorConfig config;
  LoadSettings(config);  // makes the folder, finds no file: the defaults stay
  ASSERT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_EQ(config.smtpServer, L"smtp.example.invalid");
  ASSERT_TRUE(SaveSettings(config));
  EXPECT_EQ(ReadFileBytes(file), "60 55 0 0 0 taruk@example.invalid smtp.example.invalid");

  // Over the existing file: an old leftover of a killed save goes; a
  // temporary a running save holds, one just made, and the user's own files
  // beside conf.dat stay.
  const std::string temporary = folder + "\\.conf.dat.taruk-";
  for (const char* name : {"Ab12Cd", "Zz99Yy", "Fresh1"}) ASSERT_TRUE(WriteFileBytes(temporary + name, "half"));
  ASSERT_TRUE(WriteFileBytes(file + ".backup", "mine"));
  ASSERT_TRUE(WriteFileBytes(file + ".Ab12Cd", "mine"));
  for (const char* name : {"Ab12Cd", "Zz99Yy"}) {
    const HANDLE aged = CreateFileW(Wide(temporary + name).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(aged, INVALID_HANDLE_VALUE);
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER past{{now.dwLowDateTime, now.dwHighDateTime}};
    past.QuadPart -= 120ULL * 10'000'000ULL;
    const FILETIME then{past.LowPart, past.HighPart};
    ASSERT_TRUE(SetFileTime(aged, nullptr, nullptr, &then));
    CloseHandle(aged);
  }
  const HANDLE held = CreateFileW(Wide(temporary + "Zz99Yy").c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  config.pollInterval = 12345;
  config.minimumFreeSpace = 1000000;
  config.emailAddress = L"\u0430\u0434\u043c\u0438\u043d@example.org";  // Cyrillic: one byte each
  config.smtpServer = L"mx.example.org";
  ASSERT_TRUE(SaveSettings(config));
  CloseHandle(held);
  const std::string expected =
      "12\xA0"
      "345 55 0 1\xA0"
      "000\xA0"
      "000 0 \xE0\xE4\xEC\xE8\xED@example.org mx.example.org";
  EXPECT_EQ(ReadFileBytes(file), expected);
  const std::string kept = ".conf.dat.taruk-Fresh1 .conf.dat.taruk-Zz99Yy conf.dat conf.dat.Ab12Cd conf.dat.backup ";
  EXPECT_EQ(ListFolder(folder), kept);

  MonitorConfig loaded;
  LoadSettings(loaded);
  EXPECT_EQ(loaded.pollInterval, 12345);
  EXPECT_EQ(loaded.minimumFreeSpace, 1000000u);
  EXPECT_EQ(loaded.emailAddress, config.emailAddress);

  // A read-only file stays as the user set it; the save says it failed.
  ASSERT_TRUE(SetFileAttributesW(Wide(file).c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(SaveSettings(MonitorConfig{}));
  SetFileAttributesW(Wide(file).c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadFileBytes(file), expected);
  // A character outside the code page: nothing is written.
  config.smtpServer = L"\u4e2d.example.org";
  EXPECT_FALSE(SaveSettings(config));
  EXPECT_EQ(ReadFileBytes(file), expected);
  EXPECT_EQ(ListFolder(folder), kept);
}

TEST(Win32AtomicFile, ADeviceAFolderOrALinkAtTheNameIsRefusedAndLeftAsItIs) {
  ScratchDir scratch;
  // NUL opens the null device wherever it is named.
  for (const std::string& device : {std::string("NUL"), scratch.path() + "\\NUL"}) {
    const FileWrite write = ReplaceFileAtomically(device, "page");
    EXPECT_FALSE(write) << device;
    EXPECT_EQ(write.reason, "it is a device, not a regular file: left as it is") << device;
  }
  const std::string folder = scratch.path() + "\\taruk.prom";
  ASSERT_TRUE(CreateDirectoryW(Wide(folder).c_str(), nullptr));
  EXPECT_EQ(ReplaceFileAtomically(folder, "page").error, EISDIR);
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  // A symbolic link, where the system lets this user make one and shows its
  // folder entry as a reparse point (Windows does; Wine shows neither the
  // entry's kind nor, when the target is a DOS path, the file it leads to).
  const std::string target = scratch.path() + "\\target";
  const std::string link = scratch.path() + "\\link";
  ASSERT_TRUE(WriteFileBytes(target, "precious"));
  WIN32_FIND_DATAW found{};
  if (CreateSymbolicLinkW(Wide(link).c_str(), Wide(target).c_str(), 0)) {
    const HANDLE search = FindFirstFileW(Wide(link).c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
  }
  if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    EXPECT_EQ(ReplaceFileAtomically(link, "page").reason,
              "it is a link (a reparse point), which is never written through or replaced");
    EXPECT_EQ(ReadFileBytes(target), "precious");
  }
  EXPECT_EQ(ListFolder(scratch.path()).find(".taruk-"), std::string::npos);
}

TEST(Win32Settings, WithoutAppDataTheFileLiesInTheRootOfDriveC) {
  ScopedEnv appData("APPDATA", std::nullopt);
  EXPECT_EQ(SettingsPath(), L"C:\\\\conf.dat");
}
