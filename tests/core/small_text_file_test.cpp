#include "core/base/small_text_file.h"

#include <gtest/gtest.h>

#include "support/scratch_dir.h"

using namespace taruk;

// The buffer starts at the size the file states and grows from there: files
// at the edges of the limit, and a file that states no size at all (as every
// file under /proc does), are read whole or refused, never cut short.
TEST(SmallTextFile, ReadsWholeFilesUpToTheLimitAndNoMore) {
  ScratchDir dir;
  struct Case {
    std::string bytes;
    std::size_t limit;
    bool read;
  } cases[] = {
      {"", 10, true},
      {"0123456789", 10, true},
      {"0123456789A", 10, false},
      {std::string(5000, 'x'), 4999, false},
      {std::string(5000, 'x'), 5000, true},
  };
  for (const Case& c : cases) {
    const std::string path = dir / "file";
    ASSERT_TRUE(WriteFileBytes(path, c.bytes));
    std::string text = "untouched";
    std::string error;
    const SmallFileStatus status = ReadSmallTextFile(path, c.limit, text, error);
    EXPECT_EQ(status, c.read ? SmallFileStatus::Read : SmallFileStatus::Bad) << c.bytes.size() << "/" << c.limit;
    EXPECT_EQ(text, c.read ? c.bytes : "untouched");
    EXPECT_EQ(error.find("larger than") != std::string::npos, !c.read) << error;
  }

  std::string status;
  std::string error;
  ASSERT_EQ(ReadSmallTextFile("/proc/self/status", 1 << 20, status, error), SmallFileStatus::Read) << error;
  EXPECT_NE(status.find("\nPid:"), std::string::npos);
  EXPECT_GT(status.size(), 100u);
  std::string cut = "untouched";
  EXPECT_EQ(ReadSmallTextFile("/proc/self/status", 100, cut, error), SmallFileStatus::Bad);
  EXPECT_EQ(cut, "untouched");
}
