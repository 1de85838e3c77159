// The settings file on a system without glibc's CP1251 converter: the file is
// neither read (its texts would come back empty) nor written over, and the
// log says why, once. The converter is hidden under an empty tmpfs in a mount
// namespace of its own, in a fresh run of this test program (a process that
// has converted once keeps its table).

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/settings/settings_file.h"
#include "support/child_process.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

using namespace taruk;

namespace {

constexpr char kHidden[] = "TARUK_TEST_CODE_PAGE_HIDDEN";
constexpr char kFile[] = "120 70 6 100 6 ops@example.org mx.example.org 0";
constexpr char kNoConverter[] = "no code page 1251 converter";

std::string Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return std::to_string(count);
}

}  // namespace

// The half that runs inside the namespace; skipped anywhere else.
TEST(SettingsWithoutCodePage, Inside) {
  if (!std::getenv(kHidden)) GTEST_SKIP() << "run by TheFileIsLeftAloneAndTheLogSaysWhyOnce";
  const std::string file = std::string(std::getenv("APPDATA")) + "/Taruk/conf.dat";
  testing::internal::CaptureStderr();
  MonitorConfig config;
  LoadSettings(config);
  LoadSettings(config);
  std::string failure;
  EXPECT_FALSE(SaveSettings(config, &failure));
  const std::string log = testing::internal::GetCapturedStderr();
  // The defaults, texts included, rather than a half-read file.
  EXPECT_EQ(config.pollInterval, 60);
  EXPECT_EQ(config.smtpServer, MonitorConfig().smtpServer);
  EXPECT_EQ(failure.rfind(file + ": ", 0), 0u) << failure;
  EXPECT_NE(failure.find(kNoConverter), std::string::npos) << failure;
  // Once from the two loads.
  EXPECT_EQ(Count(log, kNoConverter), "1") << log;
  EXPECT_NE(log.find("taruk: " + file + ": "), std::string::npos) << log;
  EXPECT_EQ(ReadFileBytes(file), kFile);
}

TEST(SettingsWithoutCodePage, TheFileIsLeftAloneAndTheLogSaysWhyOnce) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to hide the converter in a mount namespace";
  const std::string gconv = "/usr/lib/x86_64-linux-gnu/gconv";
  if (access((gconv + "/CP1251.so").c_str(), R_OK) != 0) GTEST_SKIP() << "glibc's converters are elsewhere";
  char self[PATH_MAX] = {};
  ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
  ScratchDir scratch;
  ASSERT_TRUE(std::filesystem::create_directory(scratch / "Taruk"));
  WriteFileBytes(scratch / "Taruk/conf.dat", kFile);
  int exitCode = -1;
  const std::string output = RunShell("unshare -m --propagation private sh -c 'mount -t tmpfs none " + gconv + " && " +
                                          kHidden + "=1 APPDATA=" + scratch.path() + " exec " + self +
                                          " --gtest_filter=SettingsWithoutCodePage.Inside' 2>&1",
                                      &exitCode);
  EXPECT_EQ(exitCode, 0) << output;
  EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
  EXPECT_EQ(ReadFileBytes(scratch / "Taruk/conf.dat"), kFile);
}
