// Every file Taruk writes (settings, the autostart entry, captures, the
// metrics file) goes through one writer. It creates a file or replaces a
// regular one, nothing else: what else stands at the name (a device node, a
// FIFO, a socket, a folder, a link) stays as it is. Someone who may write
// into the folder plants links and FIFOs under the names it uses; a save
// killed half-way leaves its temporary; the user keeps files of their own
// beside it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/base/atomic_file.h"
#include "core/metrics/metrics_exporter.h"
#include "core/settings/settings_file.h"
#include "linux/autostart.h"
#include "support/quiet_machine.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

using namespace taruk;

namespace {

constexpr uid_t kSomeoneElse = 65534;  // nobody

struct Writer {
  std::string what;
  std::string folder;
  std::string name;
  std::function<bool()> write;
  std::string contents;  // what a write puts there (empty: not compared)
};

// Root, in a namespace where another user exists to hand a file to.
bool CanPlantForAnotherUser(const std::string& probe) {
  return geteuid() == 0 && WriteFileBytes(probe, "") && chown(probe.c_str(), kSomeoneElse, kSomeoneElse) == 0 &&
         unlink(probe.c_str()) == 0;
}

std::string Kind(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return "missing";
  if (S_ISLNK(info.st_mode)) return "link";
  if (S_ISFIFO(info.st_mode)) return "fifo";
  if (S_ISCHR(info.st_mode)) return "char";
  if (S_ISBLK(info.st_mode)) return "block";
  if (S_ISSOCK(info.st_mode)) return "socket";
  if (S_ISDIR(info.st_mode)) return "folder";
  return S_ISREG(info.st_mode) ? "file" : "other";
}

bool MakeSocket(const std::string& path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  const bool made = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return made;
}

// Sets a file's times `seconds` into the past.
void Age(const std::string& path, time_t seconds) {
  const timespec past[2] = {{std::time(nullptr) - seconds, 0}, {std::time(nullptr) - seconds, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), past, AT_SYMLINK_NOFOLLOW), 0) << path;
}

class PlantedFilesTest : public testing::Test {
 protected:
  void SetUp() override {
    mkdir((scratch / "appdata").c_str(), 0700);
    MonitorConfig config;
    LoadSettings(config);  // makes the settings folder
    mkdir((scratch / "config").c_str(), 0755);
    mkdir((scratch / "config/autostart").c_str(), 0755);
    mkdir((scratch / "capture").c_str(), 0777);
    mkdir((scratch / "textfile").c_str(), 0755);
    ASSERT_TRUE(WriteFileBytes(victim, "precious"));
    writers = {
        {"settings", scratch / "appdata/Taruk", "conf.dat", [] { return SaveSettings(MonitorConfig{}); },
         "60 55 0 0 0 taruk@example.invalid smtp.example.invalid"},
        {"autostart", scratch / "config/autostart", "Taruk.desktop",
         [] { return WriteAutostartEntry("/usr/bin/taruk") == 0; }, AutostartEntryText("/usr/bin/taruk")},
        {"capture", scratch / "capture", "drive0.capture",
         [this] {
           return static_cast<bool>(
               ReplaceFileAtomically(scratch / "capture/drive0.capture", "geometry 1 1 1 512\n", 0644));
         },
         "geometry 1 1 1 512\n"},
        {"metrics", scratch / "textfile", "taruk.prom", [this] { return WriteMetrics(); }, ""},
    };
  }

  // One cycle's page through the exporter; true when it reported nothing.
  bool WriteMetrics() {
    DriveSlots slots(kDiskButtonCount);
    MonitorConfig config;
    NoVolumes volumes;
    const size_t before = metricsErrors.size();
    exporter.CycleFinished(CycleRecord{slots, config, volumes, {}});
    return metricsErrors.size() == before;
  }

  ScratchDir scratch;
  ScopedEnv appData{"APPDATA", scratch / "appdata"};
  ScopedEnv configDirs{"XDG_CONFIG_DIRS", scratch / "xdg"};
  // "Run at startup" writes the user's own entry.
  ScopedEnv configHome{"XDG_CONFIG_HOME", scratch / "config"};
  std::string victim = scratch / "victim";
  std::vector<std::string> metricsErrors;
  MetricsExporter exporter{"2.0", scratch / "textfile/taruk.prom",
                           [this](const std::string& why) { metricsErrors.push_back(why); }};
  std::vector<Writer> writers;
};

TEST_F(PlantedFilesTest, OnlyARegularFileIsReplacedAndAnythingElseAtTheNameIsLeftAsItIs) {
  const bool root = geteuid() == 0;
  for (const Writer& w : writers) {
    SCOPED_TRACE(w.what);
    const std::string final = w.folder + "/" + w.name;
    // A fresh file gets its writer's mode: settings stay private; desktops,
    // node_exporter and bug reports read the others.
    ASSERT_TRUE(w.write());
    struct stat info {};
    ASSERT_EQ(stat(final.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, w.what == "settings" ? 0600u : 0644u);
    if (!w.contents.empty()) {
      EXPECT_EQ(ReadFileBytes(final), w.contents);
    }
    ASSERT_EQ(unlink(final.c_str()), 0);

    // What else may stand at the name. Device nodes are made here, as root,
    // with /dev/null's and a loop device's numbers; the machine's own are
    // never touched.
    std::vector<std::pair<std::string, std::function<bool()>>> planted = {
        {"fifo", [&] { return mkfifo(final.c_str(), 0666) == 0; }},
        {"folder", [&] { return mkdir(final.c_str(), 0755) == 0; }},
        {"socket", [&] { return MakeSocket(final); }},
        {"link", [&] { return symlink(victim.c_str(), final.c_str()) == 0; }},  // the user's own
        {"link", [&] { return symlink("/dev/null", final.c_str()) == 0; }},
    };
    if (root) {
      planted.push_back({"char", [&] { return mknod(final.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0; }});
      planted.push_back({"block", [&] { return mknod(final.c_str(), S_IFBLK | 0660, makedev(7, 200)) == 0; }});
    }
    if (CanPlantForAnotherUser(scratch / "probe")) {
      planted.push_back({"link", [&] {
                           return symlink(victim.c_str(), final.c_str()) == 0 &&
                                  lchown(final.c_str(), kSomeoneElse, kSomeoneElse) == 0;
                         }});
    }
    for (const auto& [kind, plant] : planted) {
      SCOPED_TRACE(kind);
      ASSERT_TRUE(plant());
      EXPECT_FALSE(w.write());
      EXPECT_EQ(Kind(final), kind);
      EXPECT_EQ(ReadFileBytes(victim), "precious");
      ASSERT_EQ(kind == "folder" ? rmdir(final.c_str()) : unlink(final.c_str()), 0);
    }
    EXPECT_EQ(ListFolder(w.folder).find(".taruk-"), std::string::npos) << "no temporary is left behind";
  }
  // The metrics go on being written every cycle, and each refusal says what
  // stands there.
  ASSERT_FALSE(metricsErrors.empty());
  EXPECT_EQ(metricsErrors[0], "can't write the metrics to " + scratch / "textfile/taruk.prom" +
                                  ": it is a FIFO, not a regular file: left as it is");
  EXPECT_NE(metricsErrors[3].find("it is a symbolic link"), std::string::npos) << metricsErrors[3];

  // A replaced regular file keeps its mode; a file that must be new is not
  // written where one stands.
  const std::string kept = scratch / "kept";
  ASSERT_TRUE(WriteFileBytes(kept, "old"));
  ASSERT_EQ(chmod(kept.c_str(), 0640), 0);
  ASSERT_TRUE(ReplaceFileAtomically(kept, "new"));
  struct stat info {};
  ASSERT_EQ(stat(kept.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  const FileWrite again = CreateFileAtomically(kept, "newer");
  EXPECT_FALSE(again);
  EXPECT_EQ(again.error, EEXIST);
  EXPECT_EQ(ReadFileBytes(kept), "new");
  EXPECT_TRUE(CreateFileAtomically(scratch / "fresh", "first"));
  EXPECT_EQ(ReadFileBytes(scratch / "fresh"), "first");
}

// Root saving in another user's folder (taruk --set on the service's
// settings) leaves the file that user's, with its mode: the service must
// still read it. A new file takes the folder's owner.
TEST_F(PlantedFilesTest, RootWritingInAnotherUsersFolderLeavesTheFileTheirs) {
  if (!CanPlantForAnotherUser(scratch / "probe")) GTEST_SKIP() << "needs root and a user to give files to";
  for (const Writer& writer : writers) {
    SCOPED_TRACE(writer.what);
    const std::string path = writer.folder + "/" + writer.name;
    ASSERT_EQ(chown(writer.folder.c_str(), kSomeoneElse, kSomeoneElse), 0);
    std::remove(path.c_str());
    EXPECT_TRUE(writer.write());
    struct stat created {};
    ASSERT_EQ(lstat(path.c_str(), &created), 0);
    EXPECT_EQ(created.st_uid, kSomeoneElse);
    EXPECT_EQ(created.st_gid, kSomeoneElse);
    ASSERT_EQ(chown(writer.folder.c_str(), 0, 0), 0);
    ASSERT_TRUE(WriteFileBytes(path, "old"));
    ASSERT_EQ(chown(path.c_str(), kSomeoneElse, kSomeoneElse), 0);
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    EXPECT_TRUE(writer.write());
    struct stat info {};
    ASSERT_EQ(lstat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, kSomeoneElse);
    EXPECT_EQ(info.st_gid, kSomeoneElse);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_NE(ReadFileBytes(path), "old");
  }
}

TEST_F(PlantedFilesTest, OnlyTheWritersOwnOldUnheldTemporariesAreRemoved) {
  for (const Writer& w : writers) {
    SCOPED_TRACE(w.what);
    const std::string final = w.folder + "/" + w.name;
    const std::string temporary = w.folder + "/." + w.name + ".taruk-";
    // Left by kill -9 between creating and renaming, long enough ago.
    for (const char* unique : {"Q1w2E3", "zzzzzz", "000000"}) {
      ASSERT_TRUE(WriteFileBytes(temporary + unique, "half"));
      Age(temporary + unique, 120);
    }
    // Not leftovers: a save still running holds its temporary locked, and
    // one that has just made its temporary may not hold the lock yet; the
    // user's own files are not temporaries at all, whatever their name.
    const std::string running = temporary + "Run1ng";
    ASSERT_TRUE(WriteFileBytes(running, "in progress"));
    Age(running, 120);
    const int held = open(running.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    const std::string starting = temporary + "St4rts";
    ASSERT_TRUE(WriteFileBytes(starting, ""));
    const std::vector<std::string> users = {final + ".backup", final + ".before",      final + ".AbC123",
                                            final + ".bak",    temporary + "toolong1", temporary + "ab-cde"};
    for (const std::string& mine : users) {
      ASSERT_TRUE(WriteFileBytes(mine, "mine"));
      Age(mine, 3600);
    }
    std::string foreign;
    if (CanPlantForAnotherUser(scratch / "probe")) {
      foreign = temporary + "Foreig";
      ASSERT_TRUE(WriteFileBytes(foreign, "theirs"));
      Age(foreign, 120);
      ASSERT_EQ(chown(foreign.c_str(), kSomeoneElse, kSomeoneElse), 0);
    }

    ASSERT_TRUE(w.write());
    for (const char* unique : {"Q1w2E3", "zzzzzz", "000000"}) EXPECT_EQ(Kind(temporary + unique), "missing");
    EXPECT_EQ(ReadFileBytes(running), "in progress");
    EXPECT_EQ(Kind(starting), "file");
    for (const std::string& mine : users) EXPECT_EQ(ReadFileBytes(mine), "mine") << mine;
    if (!foreign.empty()) {
      EXPECT_EQ(ReadFileBytes(foreign), "theirs");
    }
    close(held);
  }
}

TEST_F(PlantedFilesTest, WritersSavingAtOnceNeverFail) {
  // Two processes of two threads each save the settings over and over: one
  // save's cleaning must never take another's temporary, however the
  // moments fall. Each temporary is old enough only when it is a leftover,
  // so the cleaners here find nothing to remove but must still never fail a
  // save; the locks are raced by aging every temporary as soon as it appears.
  const std::string folder = scratch / "appdata/Taruk";
  const auto saveMany = [] {
    int failed = 0;
    for (int i = 0; i < 300; ++i) {
      std::string problem;
      if (!SaveSettings(MonitorConfig{}, &problem)) {
        ++failed;
        ADD_FAILURE() << problem;
      }
    }
    return failed;
  };
  const auto ageEveryTemporary = [&](const std::atomic<bool>& done) {
    while (!done) {
      const std::string names = ListFolder(folder);
      for (size_t at = names.find(".conf.dat.taruk-"); at != std::string::npos;
           at = names.find(".conf.dat.taruk-", at + 1)) {
        const std::string path = folder + "/" + names.substr(at, names.find(' ', at) - at);
        const timespec past[2] = {{std::time(nullptr) - 120, 0}, {std::time(nullptr) - 120, 0}};
        utimensat(AT_FDCWD, path.c_str(), past, AT_SYMLINK_NOFOLLOW);
      }
    }
  };
  const pid_t other = fork();
  ASSERT_GE(other, 0);
  if (other == 0) {
    int secondFailed = 0;
    std::thread second([&] { secondFailed = saveMany(); });
    const int firstFailed = saveMany();
    second.join();
    _exit(firstFailed + secondFailed == 0 ? 0 : 1);
  }
  std::atomic<bool> done = false;
  std::thread ager([&] { ageEveryTemporary(done); });
  int failed = 0;
  std::thread second([&] { failed += saveMany(); });
  const int firstFailed = saveMany();
  second.join();
  int status = 0;
  waitpid(other, &status, 0);
  done = true;
  ager.join();
  EXPECT_EQ(firstFailed + failed, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(ReadFileBytes(folder + "/conf.dat"), "60 55 0 0 0 taruk@example.invalid smtp.example.invalid");
}

}  // namespace
