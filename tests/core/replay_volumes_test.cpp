// The volumes a replay folder names, read afresh from its file.
#include "core/capture/replay_volumes.h"

#include <gtest/gtest.h>

#include "support/scratch_dir.h"

using namespace taruk;

TEST(ReplayVolumesFile, AnswersFromTheFileAsItIsNow) {
  ScratchDir dir;
  ReplayVolumes volumes(ReplayVolumesPath(dir.path()));
  EXPECT_TRUE(volumes.Roots().empty());
  EXPECT_NE(volumes.Problem(), "");

  WriteFileBytes(dir / "volumes",
                 "# root, free bytes\n/ 1000\n\n/media/My Disk\t 18446744073709551615\r\n/m\xc3\xbcll 5\n");
  EXPECT_EQ(volumes.Roots(), (std::vector<std::wstring>{L"/", L"/media/My Disk", L"/m\u00fcll"}));
  uint64_t bytes = 0;
  EXPECT_TRUE(volumes.FreeBytesAvailable(L"/media/My Disk", bytes));
  EXPECT_EQ(bytes, 18446744073709551615ull);
  EXPECT_FALSE(volumes.FreeBytesAvailable(L"/gone", bytes));

  WriteFileBytes(dir / "volumes", "/ 999\n");
  EXPECT_TRUE(volumes.FreeBytesAvailable(L"/", bytes));
  EXPECT_EQ(bytes, 999u);
  EXPECT_FALSE(volumes.FreeBytesAvailable(L"/media/My Disk", bytes));

  // A bad line gives no volumes at all rather than some of them.
  WriteFileBytes(dir / "volumes", "/ 1000\n/home lots\n");
  EXPECT_TRUE(volumes.Roots().empty());
  EXPECT_NE(volumes.Problem().find("volumes:2:"), std::string::npos) << volumes.Problem();
  EXPECT_FALSE(volumes.FreeBytesAvailable(L"/", bytes));
}

// The monitor takes a cycle's volumes in one go: the same answers as asking
// for the roots and then each root, from one reading of the file.
TEST(ReplayVolumesFile, ACycleSeesTheSameAsOneQueryPerRoot) {
  ScratchDir dir;
  ReplayVolumes volumes(ReplayVolumesPath(dir.path()));
  EXPECT_TRUE(volumes.FreeSpace(26).empty());
  WriteFileBytes(dir / "volumes", "/a 1\n/b 2\n/a 3\n/c 4\n");
  const std::vector<VolumeSpace> space = volumes.FreeSpace(3);
  ASSERT_EQ(space.size(), 3u);
  const std::vector<std::wstring> roots = volumes.Roots();
  for (size_t i = 0; i < space.size(); ++i) {
    uint64_t bytes = 0;
    ASSERT_TRUE(volumes.FreeBytesAvailable(roots[i], bytes));
    EXPECT_EQ(space[i].root, roots[i]);
    EXPECT_EQ(space[i].freeBytes, bytes) << i;
  }
  EXPECT_EQ(space[2].freeBytes, 1u);  // the root given twice: its first line counts
  WriteFileBytes(dir / "volumes", "/a 1\n/b lots\n");
  EXPECT_TRUE(volumes.FreeSpace(26).empty());
}
