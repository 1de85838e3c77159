// POSIX kinds of file in the place of a small text file: a FIFO, and the
// files under /proc, which state no size.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/base/small_text_file.h"
#include "core/capture/replay_volumes.h"
#include "support/scratch_dir.h"

using namespace taruk;

TEST(SmallTextFile, FilesThatStateNoSizeAreReadWholeOrRefused) {
  std::string status;
  std::string error;
  ASSERT_EQ(ReadSmallTextFile("/proc/self/status", 1 << 20, status, error), SmallFileStatus::Read) << error;
  EXPECT_NE(status.find("\nPid:"), std::string::npos);
  EXPECT_GT(status.size(), 100u);
  std::string cut = "untouched";
  EXPECT_EQ(ReadSmallTextFile("/proc/self/status", 100, cut, error), SmallFileStatus::Bad);
  EXPECT_EQ(cut, "untouched");
}

TEST(ReplayVolumesFile, AFifoInItsPlaceIsRefusedAtOnce) {
  // Instead of stalling every cycle.
  ScratchDir dir;
  ReplayVolumes volumes(ReplayVolumesPath(dir.path()));
  WriteFileBytes(dir / "volumes", "/ 1000\n");
  EXPECT_EQ(volumes.Roots().size(), 1u);
  ASSERT_EQ(unlink((dir / "volumes").c_str()), 0);
  ASSERT_EQ(mkfifo((dir / "volumes").c_str(), 0600), 0);
  EXPECT_TRUE(volumes.Roots().empty());
  EXPECT_NE(volumes.Problem().find("not a regular file"), std::string::npos) << volumes.Problem();
}
