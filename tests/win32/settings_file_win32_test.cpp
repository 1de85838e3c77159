// conf.dat on Windows: %APPDATA%\Taruk, code page 1251 through the system's
// table, and the save's temporary moved over the old file.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "core/base/path_text.h"
#include "core/monitor/settings_file.h"
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

  // Over the existing file: a leftover of a killed save goes, a temporary a
  // running save holds stays, and the new bytes are all there.
  ASSERT_TRUE(WriteFileBytes(file + ".Ab12Cd", "half"));
  ASSERT_TRUE(WriteFileBytes(file + ".Zz99Yy", "held"));
  const HANDLE held = CreateFileW(Wide(file + ".Zz99Yy").c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  config.pollInterval = 12345;
  config.minimumFreeSpace = 1000000;
  config.emailAddress = L"\u0430\u0434\u043c\u0438\u043d@example.org";  // Cyrillic: one byte each
  config.smtpServer = L"mx.example.org";
  ASSERT_TRUE(SaveSettings(config));
  CloseHandle(held);
  const std::string expected = "12\xA0" "345 55 0 1\xA0" "000\xA0" "000 0 \xE0\xE4\xEC\xE8\xED@example.org mx.example.org";
  EXPECT_EQ(ReadFileBytes(file), expected);
  EXPECT_EQ(ListFolder(folder), "conf.dat conf.dat.Zz99Yy ");

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
  EXPECT_EQ(ListFolder(folder), "conf.dat conf.dat.Zz99Yy ");
}

TEST(Win32Settings, WithoutAppDataTheFileLiesInTheRootOfDriveC) {
  ScopedEnv appData("APPDATA", std::nullopt);
  EXPECT_EQ(SettingsPath(), L"C:\\\\conf.dat");
}
