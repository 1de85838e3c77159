// Every file Taruk writes (settings, the autostart entry, captures) goes
// through one writer. Someone who may write into the folder plants links and
// FIFOs under the names it uses; a save killed half-way leaves its temporary.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "core/base/atomic_file.h"
#include "core/monitor/settings_file.h"
#include "linux/autostart.h"
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
  std::string contents;  // what a write puts there
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
  return S_ISREG(info.st_mode) ? "file" : "other";
}

class PlantedFilesTest : public testing::Test {
 protected:
  void SetUp() override {
    mkdir((scratch / "appdata").c_str(), 0700);
    MonitorConfig config;
    LoadSettings(config);  // makes the settings folder
    mkdir((scratch / "xdg").c_str(), 0755);
    mkdir((scratch / "xdg/autostart").c_str(), 0755);
    mkdir((scratch / "capture").c_str(), 0777);
    ASSERT_TRUE(WriteFileBytes(victim, "precious"));
    writers = {
        {"settings", scratch / "appdata/Taruk", "conf.dat", [] { return SaveSettings(MonitorConfig{}); },
         "60 55 0 0 0 taruk@example.invalid smtp.example.invalid"},
        {"autostart", scratch / "xdg/autostart", "Taruk.desktop",
         [] { return WriteAutostartEntry("/usr/bin/taruk") == 0; }, AutostartEntryText("/usr/bin/taruk")},
        {"capture", scratch / "capture", "drive0.capture",
         [this] { return ReplaceFileAtomically(scratch / "capture/drive0.capture", "geometry 1 1 1 512\n", 0644); },
         "geometry 1 1 1 512\n"},
    };
  }

  // A link made by another user, as one planted in a shared folder is.
  void PlantForeignLink(const std::string& at) {
    ASSERT_EQ(symlink(victim.c_str(), at.c_str()), 0);
    ASSERT_EQ(lchown(at.c_str(), kSomeoneElse, kSomeoneElse), 0);
  }

  ScratchDir scratch;
  ScopedEnv appData{"APPDATA", scratch / "appdata"};
  ScopedEnv configDirs{"XDG_CONFIG_DIRS", scratch / "xdg"};
  std::string victim = scratch / "victim";
  std::vector<Writer> writers;
};

TEST_F(PlantedFilesTest, NothingPlantedUnderTheNamesIsWrittenThrough) {
  if (!CanPlantForAnotherUser(scratch / "probe")) GTEST_SKIP() << "planting another user's link needs root";
  for (const Writer& w : writers) {
    SCOPED_TRACE(w.what);
    const std::string final = w.folder + "/" + w.name;
    // Names a temporary had or has the shape of: links and FIFOs there are
    // neither followed nor removed.
    const std::vector<std::string> temporaries = {final + ".partial", final + ".AbC123",
                                                  w.folder + "/." + w.name + ".AbC123"};
    for (const std::string& planted : temporaries) PlantForeignLink(planted);
    ASSERT_EQ(mkfifo((final + ".fifo01").c_str(), 0666), 0);

    // Someone else's link at the final name is replaced, not followed.
    PlantForeignLink(final);
    ASSERT_TRUE(w.write());
    EXPECT_EQ(ReadFileBytes(victim), "precious");
    EXPECT_EQ(Kind(final), "file");
    EXPECT_EQ(ReadFileBytes(final), w.contents);

    // A FIFO at the final name neither blocks the write nor survives it.
    ASSERT_EQ(unlink(final.c_str()), 0);
    ASSERT_EQ(mkfifo(final.c_str(), 0666), 0);
    ASSERT_TRUE(w.write());
    EXPECT_EQ(Kind(final), "file");
    EXPECT_EQ(ReadFileBytes(final), w.contents);

    for (const std::string& planted : temporaries) EXPECT_EQ(Kind(planted), "link") << planted;
    EXPECT_EQ(Kind(final + ".fifo01"), "fifo");
    EXPECT_EQ(ReadFileBytes(victim), "precious");
  }
}

TEST_F(PlantedFilesTest, TheUsersOwnLinkIsFollowedAndANewFileGetsItsWritersMode) {
  for (const Writer& w : writers) {
    SCOPED_TRACE(w.what);
    const std::string final = w.folder + "/" + w.name;
    const std::string kept = scratch / ("kept-" + w.what);
    ASSERT_TRUE(WriteFileBytes(kept, "old"));
    ASSERT_EQ(symlink(kept.c_str(), final.c_str()), 0);
    ASSERT_TRUE(w.write());
    EXPECT_EQ(Kind(final), "link");
    EXPECT_EQ(ReadFileBytes(kept), w.contents);

    ASSERT_EQ(unlink(final.c_str()), 0);
    ASSERT_TRUE(w.write());
    struct stat info {};
    ASSERT_EQ(stat(final.c_str(), &info), 0);
    // Settings stay private; desktops and bug reports read the others.
    EXPECT_EQ(info.st_mode & 0777, w.what == "settings" ? 0600u : 0644u);
  }
}

TEST_F(PlantedFilesTest, TemporariesOfKilledSavesAreRemovedByTheNextSave) {
  for (const Writer& w : writers) {
    SCOPED_TRACE(w.what);
    const std::string final = w.folder + "/" + w.name;
    // Left by kill -9 between creating and renaming.
    for (const char* unique : {"Q1w2E3", "zzzzzz", "000000"}) {
      ASSERT_TRUE(WriteFileBytes(final + "." + unique, "half"));
    }
    // Not leftovers: a save still running holds its temporary locked; other
    // names are not temporaries at all.
    const std::string running = final + ".Run1ng";
    ASSERT_TRUE(WriteFileBytes(running, "in progress"));
    const int held = open(running.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    const std::vector<std::string> others = {final + ".bak", final + ".toolong1", final + ".short", final + ".ab-cde"};
    for (const std::string& other : others) ASSERT_TRUE(WriteFileBytes(other, "mine"));
    std::string foreign;
    if (CanPlantForAnotherUser(scratch / "probe")) {
      foreign = final + ".Foreig";
      ASSERT_TRUE(WriteFileBytes(foreign, "theirs"));
      ASSERT_EQ(chown(foreign.c_str(), kSomeoneElse, kSomeoneElse), 0);
    }

    ASSERT_TRUE(w.write());
    for (const char* unique : {"Q1w2E3", "zzzzzz", "000000"}) EXPECT_EQ(Kind(final + "." + unique), "missing");
    EXPECT_EQ(ReadFileBytes(running), "in progress");
    for (const std::string& other : others) EXPECT_EQ(ReadFileBytes(other), "mine");
    if (!foreign.empty()) {
      EXPECT_EQ(ReadFileBytes(foreign), "theirs");
    }
    close(held);
  }
}

}  // namespace
