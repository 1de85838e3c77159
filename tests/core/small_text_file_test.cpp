#include "core/base/small_text_file.h"

#include <gtest/gtest.h>

#include "support/scratch_dir.h"

using namespace taruk;

// The buffer starts at the size the file states and grows from there: files
// at the edges of the limit are read whole or refused, never cut short (a
// file that states no size at all: tests/linux/special_files_test.cpp).
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
}
