// The settings file's cases that stand on POSIX: processes saving at the
// same time or killed half-way, FIFOs and links in the file's place, byte
// names, path lengths, the XDG folders.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <random>
#include <string>

#include "core/settings/settings_file.h"
#include "support/settings_fixture.h"

using namespace taruk;

TEST_F(SettingsFileTest, ReadersNeverSeeAHalfWrittenFile) {
  // A save cut off at any point (power loss, a crash) leaves one whole file
  // or the other. A second process saving over and over while this one reads
  // shows the same: every read finds one complete version.
  Load();
  ASSERT_TRUE(SaveSettings(WithPollInterval(600)));
  const std::string otherFile = ReadFileBytes(file);
  const pid_t saver = fork();
  ASSERT_GE(saver, 0);
  if (saver == 0) {
    bool ok = true;
    for (int i = 0; i < 150 && ok; ++i) ok = SaveSettings(WithPollInterval(i % 2 ? 60 : 600));
    _exit(ok ? 0 : 1);
  }
  int partial = 0;
  int status = 0;
  while (waitpid(saver, &status, WNOHANG) == 0) {
    const std::string seen = ReadFileBytes(file);
    if (seen != kDefaultFile && seen != otherFile) ++partial;
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(partial, 0);
  EXPECT_EQ(ListFolder(folder), "conf.dat ");
}

TEST_F(SettingsFileTest, SavesKilledHalfWayLeaveNothingBehindTheNextSave) {
  // kill -9 at random moments of a saver that saves over and over: some of
  // them fall between creating the temporary and renaming it.
  Load();
  std::mt19937 random(12);
  int killedMidSave = 0;
  for (int round = 0; round < 40; ++round) {
    const pid_t saver = fork();
    ASSERT_GE(saver, 0);
    if (saver == 0) {
      for (;;) SaveSettings(WithPollInterval(600));
    }
    usleep(1000 + random() % 20000);
    kill(saver, SIGKILL);
    waitpid(saver, nullptr, 0);
    if (ListFolder(folder) != "conf.dat ") ++killedMidSave;
  }
  // A temporary is taken for a leftover once it is a minute old: before
  // that it may be a save still on its way.
  ASSERT_TRUE(SaveSettings(WithPollInterval(60)));
  EXPECT_EQ(ListFolder(folder).find("conf.dat.") != std::string::npos, killedMidSave > 0);
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const timespec past[2] = {{std::time(nullptr) - 61, 0}, {std::time(nullptr) - 61, 0}};
    utimensat(AT_FDCWD, entry.path().c_str(), past, 0);
  }
  ASSERT_TRUE(SaveSettings(WithPollInterval(60)));
  EXPECT_EQ(ListFolder(folder), "conf.dat ") << killedMidSave << " saves were killed half-way";
  EXPECT_EQ(ReadFileBytes(file), kDefaultFile);
}

TEST_F(SettingsFileTest, OnlyARegularFileIsRead) {
  Load();
  // A FIFO would hang the start (a folder: tests/core).
  ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
  EXPECT_EQ(Load().smtpServer, L"smtp.example.invalid");
  ASSERT_EQ(unlink(file.c_str()), 0);

  // A link is read through, but never written through or replaced: it may
  // lead to /dev/null (tests/linux/planted_files_test.cpp).
  const std::string target = scratch / "kept-elsewhere.dat";
  ASSERT_TRUE(WriteFileBytes(target, "120 50 0 0 0 a b"));
  ASSERT_EQ(symlink(target.c_str(), file.c_str()), 0);
  EXPECT_EQ(Load().pollInterval, 120);
  std::string problem;
  ASSERT_FALSE(SaveSettings(MonitorConfig{}, &problem));
  EXPECT_EQ(problem, file + ": it is a symbolic link, which is never written through or replaced");
  EXPECT_EQ(ReadFileBytes(target), "120 50 0 0 0 a b");
}

TEST_F(SettingsFileTest, PathsUpTo1023BytesAreUsedAndLongerOnesRefused) {
  // An APPDATA that makes APPDATA/Taruk/conf.dat exactly `length` bytes long.
  auto appDataFor = [&](size_t length) {
    std::string path = scratch.path();
    while (path.size() < length - 15) {
      path += "/" + std::string(std::min<size_t>(length - 15 - path.size() - 1, 200), 'd');
      mkdir(path.c_str(), 0700);
    }
    return path;
  };
  {
    ScopedEnv fits("APPDATA", appDataFor(1023));
    ASSERT_EQ(SettingsPath().size(), 1023u);
    Load();
    EXPECT_TRUE(SaveSettings(WithPollInterval(77)));
    EXPECT_EQ(Load().pollInterval, 77);
  }
  for (const std::string& tooLong : {appDataFor(1024), "/" + std::string(100000, 'x')}) {
    ScopedEnv refused("APPDATA", tooLong);
    EXPECT_EQ(Load().pollInterval, 60);
    EXPECT_FALSE(SaveSettings(MonitorConfig{}));
  }
}

TEST_F(SettingsFileTest, FolderNamesThatAreNotUtf8ReachTheSameFolder) {
  const std::string latin1 = scratch / "J\xFCrgen";
  ASSERT_EQ(mkdir(latin1.c_str(), 0700), 0);
  ScopedEnv odd("APPDATA", latin1);
  Load();
  ASSERT_TRUE(SaveSettings(MonitorConfig{}));
  EXPECT_EQ(ReadFileBytes(latin1 + "/Taruk/conf.dat"), kDefaultFile);
}

TEST(SettingsLocation, AppDataFirstThenXdgConfigHomeThenHome) {
  ScratchDir scratch;
  const std::wstring base(scratch.path().begin(), scratch.path().end());
  ScopedEnv home("HOME", scratch / "home");
  ScopedEnv xdg("XDG_CONFIG_HOME", std::nullopt);
  {
    ScopedEnv appData("APPDATA", scratch / "roaming");
    EXPECT_EQ(SettingsPath(), base + L"/roaming/Taruk/conf.dat");
    Load();  // under APPDATA only the last folder is made
    EXPECT_EQ(ListFolder(scratch.path()), "");
  }
  for (const char* unset : {static_cast<const char*>(nullptr), ""}) {  // empty counts as unset
    ScopedEnv appData("APPDATA", unset ? std::optional<std::string>(unset) : std::nullopt);
    EXPECT_EQ(SettingsPath(), base + L"/home/.config/Taruk/conf.dat");
    ScopedEnv relative("XDG_CONFIG_HOME", "relative/config");  // ignored, as XDG asks
    EXPECT_EQ(SettingsPath(), base + L"/home/.config/Taruk/conf.dat");
    ScopedEnv absolute("XDG_CONFIG_HOME", scratch / "xdg");
    EXPECT_EQ(SettingsPath(), base + L"/xdg/Taruk/conf.dat");
  }

  // A fresh account has no ~/.config: it is made, private, with its parents.
  ScopedEnv appData("APPDATA", std::nullopt);
  Load();
  struct stat info {};
  ASSERT_EQ(stat((scratch / "home/.config/Taruk").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  ASSERT_TRUE(SaveSettings(WithPollInterval(20)));
  EXPECT_EQ(Load().pollInterval, 20);
}
