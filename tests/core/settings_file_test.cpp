#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "app/settings_file.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

namespace {

const char kDefaultFile[] = "60 55 0 0 0 taruk@example.invalid smtp.example.invalid";

// The settings folder under APPDATA in a scratch folder.
class SettingsFileTest : public testing::Test {
 protected:
  ScratchDir scratch;
  ScopedEnv appData{"APPDATA", scratch.path()};
  std::string folder = scratch / "Taruk";
  std::string file = folder + "/conf.dat";

  static MonitorConfig Load() {
    MonitorConfig config;
    LoadSettings(config);
    return config;
  }
};

bool IsFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

TEST_F(SettingsFileTest, FirstStartKeepsTheDefaultsAndTheFirstSaveWritesThem) {
  const MonitorConfig loaded = Load();
  EXPECT_TRUE(IsFolder(folder));  // made by the load, ready for the save
  EXPECT_EQ(loaded.pollInterval, 60);
  EXPECT_EQ(loaded.emailAddress, L"taruk@example.invalid");
  EXPECT_EQ(loaded.smtpServer, L"smtp.example.invalid");
  ASSERT_TRUE(SaveSettings(loaded));
  EXPECT_EQ(ReadFileBytes(file), kDefaultFile);
  EXPECT_EQ(ListFolder(folder), "conf.dat ");
}

TEST_F(SettingsFileTest, SavedRecordIsLoadedOverTheDefaults) {
  MonitorConfig config;
  config.pollInterval = 300;
  config.minimumFreeSpace = 5000;
  config.freeSpaceAction = AlarmAction::Hibernate;
  config.emailAddress = L"\u0430\u0434\u043C\u0438\u043D@example.org";
  ASSERT_TRUE(Load().pollInterval == 60 && SaveSettings(config));
  const MonitorConfig loaded = Load();
  EXPECT_EQ(loaded.pollInterval, 300);
  EXPECT_EQ(loaded.minimumFreeSpace, 5000u);
  EXPECT_EQ(loaded.freeSpaceAction, AlarmAction::Hibernate);
  EXPECT_EQ(loaded.emailAddress, config.emailAddress);
  EXPECT_EQ(loaded.smtpServer, L"smtp.example.invalid");
}

TEST_F(SettingsFileTest, UnrepresentableTextLeavesTheOldFileAndFails) {
  Load();
  ASSERT_TRUE(SaveSettings(MonitorConfig{}));
  MonitorConfig config;
  config.pollInterval = 10;
  config.emailAddress = L"\u00E9mile@example.org";  // é has no byte in code page 1251
  EXPECT_FALSE(SaveSettings(config));
  EXPECT_EQ(ReadFileBytes(file), kDefaultFile);
  EXPECT_EQ(ListFolder(folder), "conf.dat ");
}

TEST_F(SettingsFileTest, ReadersNeverSeeAHalfWrittenFile) {
  // A save interrupted at any point (power loss, a crash) leaves one whole
  // file or the other. A second process saving over and over while this one
  // reads shows the same thing: every read finds one complete version.
  Load();
  MonitorConfig other;
  other.pollInterval = 600;
  other.emailAddress = L"someone@mail.example.org";
  std::string otherBytes = "<unset>";
  ASSERT_TRUE(SaveSettings(other));
  otherBytes = ReadFileBytes(file);
  ASSERT_TRUE(SaveSettings(MonitorConfig{}));

  const pid_t saver = fork();
  ASSERT_GE(saver, 0);
  if (saver == 0) {
    bool ok = true;
    for (int i = 0; i < 150 && ok; ++i) ok = SaveSettings(i % 2 ? MonitorConfig{} : other);
    _exit(ok ? 0 : 1);
  }
  int partial = 0;
  int status = 0;
  while (waitpid(saver, &status, WNOHANG) == 0) {
    const std::string seen = ReadFileBytes(file);
    if (seen != kDefaultFile && seen != otherBytes) ++partial;
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(partial, 0);
  EXPECT_EQ(ListFolder(folder), "conf.dat ");
}

TEST_F(SettingsFileTest, SaveWithoutTheFolderFailsAndCreatesNothing) {
  // The save doesn't make the folder; only the load does.
  EXPECT_FALSE(SaveSettings(MonitorConfig{}));
  EXPECT_EQ(ListFolder(scratch.path()), "");
}

TEST_F(SettingsFileTest, ReadingStopsWhereTheFileIsDamaged) {
  Load();
  ASSERT_TRUE(WriteFileBytes(file, "30 45 2 7x"));
  const MonitorConfig loaded = Load();
  EXPECT_EQ(loaded.pollInterval, 30);
  EXPECT_EQ(loaded.criticalTemperature, 45);
  EXPECT_EQ(loaded.temperatureAction, AlarmAction::ShutDown);
  EXPECT_EQ(loaded.minimumFreeSpace, 7u);
  EXPECT_EQ(loaded.freeSpaceAction, AlarmAction::None);
  EXPECT_EQ(loaded.emailAddress, L"");
  EXPECT_EQ(loaded.smtpServer, L"");
}

TEST_F(SettingsFileTest, ValuesSpreadOverManyReadsAreReadWhole) {
  Load();
  // Far more white space than one read of the file brings in, so the numbers
  // and words straddle the reads.
  std::string bytes;
  for (const char* value : {"90", "65", "3", "12\xA0" "345", "4", "ops@example.org", "mx"}) {
    bytes += std::string(4093, ' ') + value;
  }
  ASSERT_TRUE(WriteFileBytes(file, bytes));
  const MonitorConfig loaded = Load();
  EXPECT_EQ(loaded.pollInterval, 90);
  EXPECT_EQ(loaded.minimumFreeSpace, 12345u);
  EXPECT_EQ(loaded.freeSpaceAction, AlarmAction::Hibernate);
  EXPECT_EQ(loaded.emailAddress, L"ops@example.org");
  EXPECT_EQ(loaded.smtpServer, L"mx");
}

TEST_F(SettingsFileTest, SomethingOtherThanAFileInItsPlaceKeepsTheDefaults) {
  Load();
  // A folder would read as an empty file and blank both strings; a FIFO
  // would hang the start.
  ASSERT_EQ(mkdir(file.c_str(), 0700), 0);
  EXPECT_EQ(Load().emailAddress, L"taruk@example.invalid");
  EXPECT_FALSE(SaveSettings(MonitorConfig{}));
  ASSERT_EQ(rmdir(file.c_str()), 0);

  ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
  EXPECT_EQ(Load().smtpServer, L"smtp.example.invalid");
}

TEST_F(SettingsFileTest, LinkedFileIsReplacedThroughTheLink) {
  Load();
  const std::string target = scratch / "kept-elsewhere.dat";
  ASSERT_TRUE(WriteFileBytes(target, "120 50 0 0 0 a b"));
  ASSERT_EQ(symlink(target.c_str(), file.c_str()), 0);
  EXPECT_EQ(Load().pollInterval, 120);
  ASSERT_TRUE(SaveSettings(MonitorConfig{}));
  EXPECT_EQ(ReadFileBytes(target), kDefaultFile);
  struct stat info {};
  ASSERT_EQ(lstat(file.c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
}

TEST_F(SettingsFileTest, PathsUpTo1023BytesAreUsedAndLongerOnesRefused) {
  // APPDATA + "/Taruk/conf.dat" (15 bytes) of exactly 1,023 bytes, then 1,024.
  auto appDataOfLength = [&](size_t pathLength) {
    std::string path = scratch.path();
    const size_t wanted = pathLength - 15;
    while (path.size() < wanted) {
      const size_t room = wanted - path.size() - 1;  // after the slash
      path += "/" + std::string(std::min<size_t>(room, 200), 'd');
      mkdir(path.c_str(), 0700);
    }
    return path;
  };
  {
    ScopedEnv fits("APPDATA", appDataOfLength(1023));
    ASSERT_EQ(SettingsPath().size(), 1023u);
    Load();
    MonitorConfig config;
    config.pollInterval = 77;
    EXPECT_TRUE(SaveSettings(config));
    EXPECT_EQ(Load().pollInterval, 77);
  }
  {
    ScopedEnv tooLong("APPDATA", appDataOfLength(1024));
    ASSERT_EQ(SettingsPath().size(), 1024u);
    EXPECT_EQ(Load().pollInterval, 60);
    EXPECT_FALSE(SaveSettings(MonitorConfig{}));
  }
  {
    // Far beyond any buffer.
    ScopedEnv huge("APPDATA", "/" + std::string(100000, 'x'));
    EXPECT_EQ(Load().pollInterval, 60);
    EXPECT_FALSE(SaveSettings(MonitorConfig{}));
  }
}

TEST_F(SettingsFileTest, FolderNamesThatAreNotUtf8ReachTheSameFolder) {
  const std::string latin1 = scratch / "J\xFCrgen";  // Latin-1, invalid as UTF-8
  ASSERT_EQ(mkdir(latin1.c_str(), 0700), 0);
  ScopedEnv odd("APPDATA", latin1);
  Load();
  ASSERT_TRUE(SaveSettings(MonitorConfig{}));
  EXPECT_EQ(ReadFileBytes(latin1 + "/Taruk/conf.dat"), kDefaultFile);
  EXPECT_EQ(SettingsPath().find(L'\uFFFD'), std::wstring::npos);
}

TEST(SettingsLocation, AppDataFirstThenXdgConfigHomeThenHome) {
  ScratchDir scratch;
  ScopedEnv home("HOME", scratch / "home");
  ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
  const std::wstring base(scratch.path().begin(), scratch.path().end());
  {
    ScopedEnv appData("APPDATA", scratch / "roaming");
    EXPECT_EQ(SettingsPath(), base + L"/roaming/Taruk/conf.dat");
  }
  // An empty APPDATA counts as unset.
  for (const std::optional<std::string>& unset : {std::optional<std::string>(), std::optional<std::string>("")}) {
    ScopedEnv appData("APPDATA", unset);
    EXPECT_EQ(SettingsPath(), base + L"/home/.config/Taruk/conf.dat");
    {
      ScopedEnv xdg("XDG_CONFIG_HOME", scratch / "xdg");
      EXPECT_EQ(SettingsPath(), base + L"/xdg/Taruk/conf.dat");
    }
    {
      ScopedEnv relative("XDG_CONFIG_HOME", "relative/config");  // ignored, as XDG asks
      EXPECT_EQ(SettingsPath(), base + L"/home/.config/Taruk/conf.dat");
    }
  }
}

TEST(SettingsLocation, MissingXdgFoldersAreMadeWithTheirParents) {
  ScratchDir scratch;
  ScopedEnv appData("APPDATA", std::nullopt);
  ScopedEnv xdg("XDG_CONFIG_HOME", std::nullopt);
  ScopedEnv home("HOME", scratch / "new-account");  // no ~/.config yet, not even ~
  MonitorConfig config;
  LoadSettings(config);
  const std::string folder = scratch / "new-account/.config/Taruk";
  ASSERT_TRUE(IsFolder(folder));
  struct stat info {};
  ASSERT_EQ(stat(folder.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  config.pollInterval = 20;
  ASSERT_TRUE(SaveSettings(config));
  EXPECT_EQ(ReadFileBytes(folder + "/conf.dat"),
            "20 55 0 0 0 taruk@example.invalid smtp.example.invalid");
}

TEST(SettingsLocation, AppDataFolderItselfIsNotCreated) {
  ScratchDir scratch;
  ScopedEnv appData("APPDATA", scratch / "no-such-profile");
  MonitorConfig config;
  LoadSettings(config);
  EXPECT_EQ(ListFolder(scratch.path()), "");
  EXPECT_FALSE(SaveSettings(config));
}
