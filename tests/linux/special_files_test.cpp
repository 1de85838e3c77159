// POSIX kinds of file in the place of a small text file: a FIFO, and the
// files under /proc, which state no size; and a capture's stamp.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/base/regular_file.h"
#include "core/base/small_text_file.h"
#include "core/capture/capture_file.h"
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

TEST(CaptureFileReader, ARewriteThatKeepsSizeAndModificationTimeIsStillRead) {
  // A capture is not read again while its stamp is settled and unchanged;
  // putting the old modification time back on a rewritten file must not
  // pass for unchanged: the change time, which nobody sets, is now.
  ScratchDir dir;
  const std::string path = dir / "drive0.capture";
  const std::string hot = "device-map 0x01\ngeometry 9729 255 63 512\n";
  const std::string cool = "device-map 0x11\ngeometry 9729 255 63 512\n";
  WriteFileBytes(path, hot);
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  const timespec longAgo[2] = {{info.st_atim.tv_sec - 3600, 0}, {info.st_mtim.tv_sec - 3600, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), longAgo, 0), 0);
  CaptureFileReader reader;
  DriveCapture capture;
  std::string error;
  ASSERT_EQ(reader.Read(path, capture, error), CaptureFileStatus::Loaded) << error;
  EXPECT_EQ(capture.deviceMap, 0x01);

  WriteFileBytes(path, cool);
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), longAgo, 0), 0);
  FileStamp stamp;
  ASSERT_TRUE(StampFile(path, stamp));
  EXPECT_FALSE(stamp.settled);
  ASSERT_EQ(reader.Read(path, capture, error), CaptureFileStatus::Loaded) << error;
  EXPECT_EQ(capture.deviceMap, 0x11);
  EXPECT_FALSE(StampFile(dir.path(), stamp));  // a folder has no stamp
}
