// Every rule of taruk's command line: what each option needs, which options
// go together, and that a usage error is one line naming the option.
#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace taruk;

namespace {

// Splits on spaces; "''" stands for an empty argument.
bool Parse(const std::string& line, CommandLine& parsed, std::string& error) {
  std::vector<std::string> words{"taruk"};
  std::istringstream split(line);
  for (std::string word; split >> word;) words.push_back(word == "''" ? "" : word);
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  return ParseCommandLine(static_cast<int>(argv.size()), argv.data(), parsed, error);
}

using Mode = CommandLine::Mode;

TEST(CommandLine, EachModeTakesItsOwnOptionsAndNothingElse) {
  const struct {
    const char* line;
    Mode mode;
  } accepted[] = {
      {"", Mode::Monitor},
      {"--replay /r --metrics-listen 127.0.0.1:9633 --metrics-file /m --metrics-compat smartctl-exporter",
       Mode::Monitor},
      {"-h", Mode::Help},
      {"--version", Mode::Version},
      {"--report --json --wake --replay /r /dev/sdc ata-X_Y", Mode::Report},
      {"--capture /c --wake /dev/sda", Mode::Capture},
      {"--headless --once --replay /r --metrics-file /m", Mode::Headless},
      {"--self-test abort --drive 2", Mode::SelfTest},
      {"--settings --config-dir /s", Mode::Settings},
      {"--set a=1 --set b=2 --config-dir /s", Mode::Set},
  };
  for (const auto& c : accepted) {
    CommandLine parsed;
    std::string error;
    EXPECT_TRUE(Parse(c.line, parsed, error)) << c.line << ": " << error;
    EXPECT_EQ(parsed.mode, c.mode) << c.line;
  }

  const struct {
    const char* line;
    const char* error;
  } refused[] = {
      {"--report --headless", "taruk: --headless cannot be combined with another mode"},
      {"--set a=1 --settings", "taruk: --settings cannot be combined with another mode"},
      {"--bogus", "taruk: unknown option --bogus (see taruk --help)"},
      {"--capture", "taruk: --capture needs a folder"},
      {"--replay ''", "taruk: --replay needs a folder"},
      {"--set", "taruk: --set needs NAME=VALUE"},
      {"--self-test", "taruk: --self-test needs short, extended, conveyance or abort"},
      {"--self-test long", "taruk: --self-test takes short, extended, conveyance or abort, not long"},
      {"--metrics-compat node", "taruk: --metrics-compat takes smartctl-exporter, not node"},
      {"--metrics-compat smartctl-exporter", "taruk: --metrics-compat goes with --metrics-listen or --metrics-file"},
      {"/dev/sda", "taruk: drive names go with --report or --capture (/dev/sda)"},
      {"--headless --json", "taruk: --json goes with --report"},
      {"--report --drive 1", "taruk: --drive goes with --self-test"},
      {"--report --config-dir /s", "taruk: --config-dir goes with --settings or --set"},
      {"--report --once", "taruk: --once goes with --headless"},
      {"--headless --wake", "taruk: --wake goes with --report or --capture"},
      {"--capture /c --replay /r", "taruk: --capture reads live drives; --replay does not apply"},
      {"--report --metrics-file /m",
       "taruk: --metrics-listen and --metrics-file go with the monitor (taruk or taruk --headless)"},
  };
  for (const auto& c : refused) {
    CommandLine parsed;
    std::string error;
    EXPECT_FALSE(Parse(c.line, parsed, error)) << c.line;
    EXPECT_EQ(error, c.error) << c.line;
  }
}

TEST(CommandLine, ValuesArriveInOrderAndAnAddressIsCheckedWhenRead) {
  CommandLine parsed;
  std::string error;
  ASSERT_TRUE(Parse("--set a=1 --set b=2", parsed, error)) << error;
  EXPECT_EQ(parsed.assignments, (std::vector<std::string>{"a=1", "b=2"}));
  ASSERT_TRUE(Parse("--report /dev/sdb /dev/sda", parsed = {}, error)) << error;
  EXPECT_EQ(parsed.drives, (std::vector<std::string>{"/dev/sdb", "/dev/sda"}));
  EXPECT_EQ(CommandLine().drive, "0");  // --self-test without --drive: drive 0
  EXPECT_FALSE(Parse("--metrics-listen nowhere", parsed = {}, error));
  EXPECT_NE(error.find("nowhere"), std::string::npos) << error;
}

}  // namespace
