// The monitor and the serving reader: what each side accepts from the other.
// The reader runs with capabilities, so its side refuses anything but the
// three request forms; the monitor's side bounds what a broken reader sends.
#include "core/capture/reader_protocol.h"

#include <gtest/gtest.h>

using namespace taruk;

TEST(ReaderProtocolTest, TheReaderTakesOneDriveNumberAndOneOfTwoWords) {
  struct Case {
    std::string_view line;
    bool accepted;
    int drive = 0;
    SleepingDrive rule = SleepingDrive::Identify;
  };
  const Case cases[] = {
      {"0", true, 0, SleepingDrive::Identify},
      {"3 leave", true, 3, SleepingDrive::Leave},
      {"2 wake", true, 2, SleepingDrive::Wake},
      {"4", true, 4},
      {"999 leave", true, 999, SleepingDrive::Leave},
      {"1000", false},
      {"07", false},
      {"10wake", false},
      {"", false},
      {"01", false},
      {"-1", false},
      {"0 ", false},
      {"0  wake", false},
      {"0 WAKE", false},
      {"0 wake ", false},
      {"0\twake", false},
      {"0 /dev/sda", false},
      {std::string_view("0\0wake", 6), false},
      {"0 leave wake", false},
      {"/", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.line));
    ReaderRequest request;
    ASSERT_EQ(ParseReaderRequest(c.line, request), c.accepted);
    if (!c.accepted) continue;
    EXPECT_EQ(request.driveNumber, c.drive);
    EXPECT_EQ(request.rule, c.rule);
    // What the monitor sends reads back the same, within the reader's bound.
    const std::string line = FormatReaderRequest(request);
    EXPECT_EQ(line, std::string(c.line) + "\n");
    EXPECT_LE(line.size(), kLongestReaderRequest);
  }
}

TEST(ReaderProtocolTest, AnAnswerIsTakenWholeOrNotAtAll) {
  const ReaderReply sent{1, "device-map 0x01\n", "/dev/sda: permission denied\n"};
  const std::string wire = FormatReaderReply(sent);
  // Every cut short of the whole is incomplete; the whole, with more behind
  // it, is complete and says where it ended.
  for (std::size_t cut = 0; cut < wire.size(); ++cut) {
    ReaderReply reply;
    std::size_t used = 0;
    ASSERT_EQ(ParseReaderReply(std::string_view(wire).substr(0, cut), reply, used), ReplyState::Incomplete) << cut;
  }
  ReaderReply reply;
  std::size_t used = 0;
  ASSERT_EQ(ParseReaderReply(wire + "0 0 0\n", reply, used), ReplyState::Complete);
  EXPECT_EQ(used, wire.size());
  EXPECT_EQ(reply.code, 1);
  EXPECT_EQ(reply.capture, sent.capture);
  EXPECT_EQ(reply.problem, sent.problem);

  for (const std::string_view bad :
       {"x 0 0\n", "0 0\n", "0 0 0 0\n", "-1 0 0\n", "0 +1 0\n", "0  1 0\n", "256 0 0\n", "0 262145 0\n", "0 0 4097\n",
        "0 99999999999999999999 0\n", "0 0 0 \n", "00000000000000000000000000000000000000"}) {
    SCOPED_TRACE(std::string(bad));
    EXPECT_EQ(ParseReaderReply(bad, reply, used), ReplyState::Malformed);
  }
}
