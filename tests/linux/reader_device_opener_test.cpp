// Drives read through the privileged reader: the opener keeps one serving
// reader for its whole life and asks it for each drive's pass, and every way
// the reader can fail ends as a readable reason, never as a hang or a
// half-read drive; a reader that died is started again, and says so.

#include "linux/reader_device_opener.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "core/capture/capture_bytes.h"
#include "core/capture/reader_protocol.h"
#include "core/drive/read_drive_info.h"
#include "core/monitor/drive_numbering.h"
#include "linux/child_process.h"
#include "linux/reader_location.h"
#include "support/fake_sys_block.h"
#include "support/pages.h"
#include "support/scoped_env.h"

using namespace taruk;

namespace {

// A stand-in reader: a shell script with the given body.
std::string Script(const ScratchDir& dir, const std::string& name, const std::string& body) {
  const std::string path = dir / name;
  WriteFileBytes(path, "#!/bin/sh\n" + body + "\n");
  chmod(path.c_str(), 0755);
  return path;
}

// A stand-in serving reader: `start` once, then `answer` for every request,
// with the request's words as $1 and $2.
std::string Serving(const ScratchDir& dir, const std::string& name, const std::string& answer,
                    const std::string& start = "") {
  return Script(dir, name,
                "[ \"$#\" = 1 ] && [ \"$1\" = serve ] || exit 2\n" + start +
                    "\nwhile IFS= read -r request; do\nset -- $request\n" + answer + "\ndone");
}

// The sh command that sends `reply` as the answer.
std::string Answer(const ScratchDir& dir, const ReaderReply& reply) {
  static int count = 0;
  const std::string path = dir / ("answer" + std::to_string(++count));
  WriteFileBytes(path, FormatReaderReply(reply));
  return "cat '" + path + "'";
}

// A reader's capture of an ATA disk, in standby when `sleeping`.
std::string ValidCapture(bool sleeping = false) {
  DriveCapture capture;
  capture.deviceMap = 0x01;
  capture.geometry = DriveGeometry{16383, 16, 63, 512};
  if (sleeping) capture.powerMode[0] = 0x00;
  capture.enable[0] = true;
  capture.identify[0] = IdentifyPage("READER DISK", "FW1", "SER-7");
  return EncodeCapture(capture);
}

struct Fixture {
  FakeSysBlock sys;
  ScratchDir bin;
  std::vector<std::string> log;
  Fixture() {
    sys.AddDisk("sda", "8:0");
    sys.AddDisk("sdb", "8:16");
  }
  std::function<void(const std::string&)> Log() {
    return [this](const std::string& line) { log.push_back(line); };
  }
};

void WaitUntilEnded(pid_t pid) {
  // Still a child of the test: it stays a zombie until the opener reaps it.
  for (int i = 0; i < 500; ++i) {
    const std::string state = ReadFileBytes("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = state.rfind(')');
    if (close == std::string::npos || state.compare(close + 2, 1, "Z") == 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  FAIL() << "the reader " << pid << " did not end";
}

}  // namespace

TEST(ReaderDeviceOpener, TheReadersCaptureFillsTheSlotAsALiveDriveWould) {
  Fixture f;
  const std::string reader =
      Serving(f.bin, "reader", "[ \"$1\" = 0 ] || exit 9\n" + Answer(f.bin, {0, ValidCapture(), ""}));
  ReaderDeviceOpener opener(reader, f.sys.path());
  DriveSlot slot;
  ReadDriveInfo(opener, 0, slot);
  EXPECT_EQ(opener.Problem(0), "");
  EXPECT_EQ(slot.model.substr(0, 11), L"READER DISK");
  EXPECT_EQ(slot.capacityGb, 8);
  EXPECT_EQ(slot.capacityMb, 455);
}

TEST(ReaderDeviceOpener, OneReaderIsAskedForEveryDriveAndPassAndToldWhatToDoWithASleepingDrive) {
  Fixture f;
  const std::string calls = f.bin / "calls";
  const std::string reader =
      Serving(f.bin, "reader", "echo \"$# $1 $2\" >>" + calls + "\n" + Answer(f.bin, {0, ValidCapture(true), ""}),
              "echo started >>" + calls);
  ReaderDeviceOpener opener(reader, f.sys.path(), kReaderTimeoutMs, -1, f.Log());
  DriveSlot slot;
  DriveSlot second;
  ReadDriveInfo(opener, 0, slot);  // not yet present: identified only
  ReadDriveInfo(opener, 1, second);
  ReadDriveInfo(opener, 0, slot);        // present: left alone
  ReadDriveInfo(opener, 0, slot, true);  // --wake
  EXPECT_EQ(ReadFileBytes(calls), "started\n1 0 \n1 1 \n2 0 leave\n2 0 wake\n");
  EXPECT_EQ(slot.powerMode, PowerMode::Standby);
  EXPECT_EQ(slot.model.substr(0, 11), L"READER DISK");
  EXPECT_TRUE(f.log.empty());
}

TEST(ReaderDeviceOpener, APassThatHangsOverOneDriveStillReadsTheOthers) {
  Fixture f;
  f.sys.AddDisk("sdc", "8:32");
  const std::string calls = f.bin / "calls";
  // Answers each request as it comes, but hangs over drive 1.
  const std::string reader = Serving(
      f.bin, "reader",
      "echo \"$1\" >>" + calls + "\n[ \"$1\" = 1 ] && exec sleep 60\n" + Answer(f.bin, {0, ValidCapture(), ""}));
  ReaderDeviceOpener opener(reader, f.sys.path(), 300, -1, f.Log());
  DriveSlots slots;
  const DrivePass pass = ReadEveryDrive(opener, slots);
  // Asked together; after the hang, each drive left is asked alone by a
  // new reader, and only drive 1 hangs again.
  EXPECT_EQ(ReadFileBytes(calls), "0\n1\n1\n2\n");
  ASSERT_EQ(slots.size(), 3u);
  EXPECT_TRUE(slots[0].IsPresent());
  EXPECT_FALSE(slots[1].IsPresent());
  EXPECT_TRUE(slots[2].IsPresent());
  EXPECT_EQ(opener.Problem(1), "/dev/sdb: taruk-smart-reader did not finish within 300 ms");
  EXPECT_EQ(opener.Problem(2), "");
  ASSERT_EQ(pass.found.size(), 3u);
}

TEST(ReaderDeviceOpener, AReaderThatDiedOrHungIsStartedAgainWithALogLine) {
  Fixture f;
  const std::string starts = f.bin / "starts";
  const std::string hang = f.bin / "hang";
  const std::string reader =
      Serving(f.bin, "reader",
              "[ -e '" + hang + "' ] && rm '" + hang + "' && exec sleep 60\n" + Answer(f.bin, {0, ValidCapture(), ""}),
              "echo $$ >>" + starts);
  ReaderDeviceOpener opener(reader, f.sys.path(), 500, -1, f.Log());
  DriveSlot slot;
  ReadDriveInfo(opener, 0, slot);
  const pid_t first = opener.Reader().Pid();
  ASSERT_GT(first, 0);

  // Killed between two passes: the next pass reads with a new reader.
  kill(first, SIGKILL);
  WaitUntilEnded(first);
  slot = {};
  ReadDriveInfo(opener, 0, slot);
  EXPECT_EQ(opener.Problem(0), "");
  EXPECT_TRUE(slot.IsPresent());
  EXPECT_NE(opener.Reader().Pid(), first);
  ASSERT_EQ(f.log.size(), 1u);
  EXPECT_EQ(f.log[0], "taruk-smart-reader ended (signal 9); started again");

  // Hung in a pass: that drive fails, the reader is ended, the next pass
  // has a new one.
  WriteFileBytes(hang, "");
  EXPECT_FALSE(opener.Open(1));
  EXPECT_EQ(opener.Problem(1), "/dev/sdb: taruk-smart-reader did not finish within 500 ms");
  EXPECT_EQ(opener.Reader().Pid(), -1);
  ReadDriveInfo(opener, 1, slot);
  EXPECT_EQ(opener.Problem(1), "");
  ASSERT_EQ(f.log.size(), 2u);
  EXPECT_EQ(f.log[1], "taruk-smart-reader ended (it took too long); started again");
  const std::string started = ReadFileBytes(starts);
  EXPECT_EQ(std::count(started.begin(), started.end(), '\n'), 3);
}

TEST(ReaderDeviceOpener, WhatTheReaderSaysBecomesTheProblem) {
  Fixture f;
  // Refused outright.
  ReaderDeviceOpener refused(
      Serving(f.bin, "refused",
              Answer(f.bin, {1, "", "/dev/sda: permission denied: taruk-smart-reader lacks its capabilities\n"})),
      f.sys.path());
  EXPECT_FALSE(refused.Open(0));
  EXPECT_EQ(refused.Problem(0), "/dev/sda: permission denied: taruk-smart-reader lacks its capabilities");

  // Opened, but the drive does not speak ATA: a capture without a device
  // map, and the reason beside it. The drive never becomes present.
  ReaderDeviceOpener notAta(Serving(f.bin, "not-ata", Answer(f.bin, {0, "", "/dev/sda: not an ATA drive\n"})),
                            f.sys.path());
  DriveSlot slot;
  ReadDriveInfo(notAta, 0, slot);
  EXPECT_FALSE(slot.IsPresent());
  EXPECT_EQ(notAta.Problem(0), "/dev/sda: not an ATA drive");

  // The drive vanished between the two listings: nothing to say.
  ReaderDeviceOpener vanished(Serving(f.bin, "vanished", Answer(f.bin, {3, "", ""})), f.sys.path());
  EXPECT_FALSE(vanished.Open(0));
  EXPECT_EQ(vanished.Problem(0), "");

  // Control characters cannot reach the report, and a reason stays one line.
  ReaderDeviceOpener noisy(
      Serving(f.bin, "noisy", Answer(f.bin, {1, "", "/dev/sda: \033[31mred\033[0m\r\nsecond line\n"})), f.sys.path());
  EXPECT_FALSE(noisy.Open(0));
  EXPECT_EQ(noisy.Problem(0), "/dev/sda: ?[31mred?[0m?");
}

TEST(ReaderDeviceOpener, BrokenReadersFailReadably) {
  Fixture f;
  struct Case {
    std::string answer;
    const char* problemStart;
  };
  std::string cutShort = ValidCapture();
  cutShort.resize(20);  // inside the geometry
  const Case cases[] = {
      {Answer(f.bin, {0, cutShort, ""}),
       "/dev/sda: taruk-smart-reader sent a bad capture: the capture's record 2 at byte 2 is cut short"},
      {"echo 'no answer'\nexec sleep 30",
       "/dev/sda: taruk-smart-reader ended without an answer (it sent what is not an answer)"},
      {"printf '0 999999 0\\n'\nexec sleep 30",
       "/dev/sda: taruk-smart-reader ended without an answer (it sent what is not an answer)"},
      {"printf '0 5 0\\nabc'\nexit 4", "/dev/sda: taruk-smart-reader ended without an answer (exit code 4)"},
      {"printf '3 0 0\\nabc'\nexec sleep 30",
       "/dev/sda: taruk-smart-reader ended without an answer (it sent what is not an answer)"},
      {"exec sleep 30", "/dev/sda: taruk-smart-reader did not finish within 500 ms"},
      {"kill -TERM $$", "/dev/sda: taruk-smart-reader ended without an answer (signal 15)"},
      {Answer(f.bin, {7, "", ""}), "/dev/sda: taruk-smart-reader failed (exit code 7)"},
      {Answer(f.bin, {2, "", "usage: ...\n"}), "/dev/sda: taruk-smart-reader failed (exit code 2): usage: ..."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    ReaderDeviceOpener opener(Serving(f.bin, "broken", c.answer), f.sys.path(), 500);
    EXPECT_FALSE(opener.Open(0));
    EXPECT_EQ(opener.Problem(0).rfind(c.problemStart, 0), 0u) << opener.Problem(0);
  }

  // Not executable, or not there at all.
  const std::string plain = f.bin / "plain";
  WriteFileBytes(plain, "#!/bin/sh\n");
  ReaderDeviceOpener notExecutable(plain, f.sys.path());
  EXPECT_FALSE(notExecutable.Open(1));
  EXPECT_EQ(notExecutable.Problem(1), "/dev/sdb: cannot run " + plain + ": Permission denied");
  ReaderDeviceOpener none("", f.sys.path());
  EXPECT_FALSE(none.Open(1));
  EXPECT_EQ(none.Problem(1),
            "/dev/sdb: reading S.M.A.R.T. needs root or the installed reader "
            "(no taruk-smart-reader beside taruk or in ../libexec/taruk)");
  // Only existing disks are complained about.
  EXPECT_FALSE(none.Open(2));
  EXPECT_EQ(none.Problem(2), "");
}

TEST(ReaderDeviceOpener, AStopRequestEndsTheReaderAtOnceAndStartsNoOther) {
  Fixture f;
  int stop[2];
  ASSERT_EQ(pipe(stop), 0);
  // As the headless monitor runs it: its stop signals blocked, to be read
  // from a descriptor. The reader must not inherit that.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigset_t old;
  pthread_sigmask(SIG_BLOCK, &stopSignals, &old);
  ReaderDeviceOpener selfEnding(Serving(f.bin, "self-ending", "kill -TERM $$\nsleep 30"), f.sys.path(), 60000, stop[0]);
  EXPECT_FALSE(selfEnding.Open(0));
  EXPECT_EQ(selfEnding.Problem(0), "/dev/sda: taruk-smart-reader ended without an answer (signal 15)");

  const std::string started = f.bin / "started";
  ReaderDeviceOpener opener(Serving(f.bin, "slow", "exec sleep 60", "echo >>'" + started + "'"), f.sys.path(), 60000,
                            stop[0]);
  std::thread requester([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(write(stop[1], "x", 1), 1);
  });
  EXPECT_FALSE(opener.Open(0));
  requester.join();
  EXPECT_EQ(opener.Problem(0), "/dev/sda: not read: taruk is stopping");
  EXPECT_FALSE(opener.Open(1));
  EXPECT_EQ(opener.Problem(1), "/dev/sdb: not read: taruk is stopping");
  EXPECT_EQ(ReadFileBytes(started), "\n") << "a reader was started after the request";
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  close(stop[0]);
  close(stop[1]);
}

TEST(ReaderDeviceOpener, TheReaderGetsOneRequestAtATimeAndNothingElse) {
  Fixture f;
  ScopedEnv sentinel("TARUK_READER_SENTINEL", "set-in-the-monitor");
  // Arguments, environment and request as the reader sees them.
  ReaderDeviceOpener opener(
      Serving(f.bin, "probe",
              "said=\"words=$# first=$1 sentinel=${TARUK_READER_SENTINEL:-unset} request=$request\"\n"
              "printf '1 0 %d\\n%s' ${#said} \"$said\""),
      f.sys.path());
  EXPECT_FALSE(opener.Open(1));
  EXPECT_EQ(opener.Problem(1), "words=1 first=1 sentinel=unset request=1");
}

TEST(SmartReaderProgram, AcceptsOneDriveNumberAndNothingElse) {
  const std::string binary = TARUK_BINARY;
  const std::string reader = binary.substr(0, binary.rfind('/') + 1) + kReaderName;
  for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{{},
                                                                                         {"1000"},
                                                                                         {"-1"},
                                                                                         {"00"},
                                                                                         {"07"},
                                                                                         {"0", "1"},
                                                                                         {""},
                                                                                         {"/dev/sda"},
                                                                                         {"0x0"},
                                                                                         {" 0"},
                                                                                         {"--help"},
                                                                                         {"0 leave"},
                                                                                         {"0", "leave", "wake"},
                                                                                         {"serve", "0"},
                                                                                         {"0", "serve"}}) {
    std::vector<std::string> argv = {kReaderName};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const ChildResult run = RunChild(reader, argv, 10000);
    SCOPED_TRACE(arguments.empty() ? "(none)" : arguments[0]);
    EXPECT_EQ(run.startError, 0);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("usage: taruk-smart-reader N", 0), 0u) << run.err;
  }
}

// The serving reader reads no drive for anything but a well-formed request:
// anything else gets the usage answer and ends it, and so does the end of
// its input (the monitor gone).
TEST(SmartReaderProgram, ServingEndsOnAnyMalformedRequest) {
  const std::string binary = TARUK_BINARY;
  const std::string reader = binary.substr(0, binary.rfind('/') + 1) + kReaderName;
  struct Case {
    const char* input;  // printf format
    int exitCode;
  };
  const Case cases[] = {
      {"", 0},
      {"1000\\n", 2},
      {"07\\n", 2},
      {"0 bogus\\n", 2},
      {"0 wake now\\n", 2},
      {"123456789\\n", 2},
      {"\\n", 2},
      {"0", 2},
      {"/dev/sda\\n", 2},
      {"0\\r\\n", 2},
      {"0  leave\\n", 2},
      {"997\\n998 leave\\nbogus\\n", 2},  // a pass's requests that came together are all refused
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    const ChildResult run =
        RunChild("/bin/sh", {"sh", "-c", "printf '" + std::string(c.input) + "' | '" + reader + "' serve"}, 10000);
    EXPECT_EQ(run.exitCode, c.exitCode);
    if (c.exitCode == 0) {
      EXPECT_EQ(run.out, "");
      continue;
    }
    ReaderReply reply;
    std::size_t used = 0;
    ASSERT_EQ(ParseReaderReply(run.out, reply, used), ReplyState::Complete) << run.out;
    EXPECT_EQ(used, run.out.size()) << "more than one answer";
    EXPECT_EQ(reply.code, 2);
    EXPECT_EQ(reply.capture, "");
    EXPECT_EQ(reply.problem.rfind("usage: taruk-smart-reader N", 0), 0u) << reply.problem;
  }

  // Requests that come together are answered in their order, one answer
  // each, also beyond what one worker message carries: here drives that do
  // not exist.
  std::string requests;
  for (int drive = 980; drive < 980 + 17; ++drive)
    requests += std::to_string(drive) + (drive % 2 ? " leave\\n" : "\\n");
  const ChildResult run =
      RunChild("/bin/sh", {"sh", "-c", "printf '" + requests + "' | '" + reader + "' serve"}, 10000);
  EXPECT_EQ(run.exitCode, 0);
  std::size_t used = 0;
  for (int n = 0; n < 17; ++n) {
    ReaderReply reply;
    std::size_t length = 0;
    ASSERT_EQ(ParseReaderReply(std::string_view(run.out).substr(used), reply, length), ReplyState::Complete) << n;
    EXPECT_EQ(reply.code, 3) << n;
    used += length;
  }
  EXPECT_EQ(used, run.out.size());
}

TEST(ReaderLocation, BesideTarukOrInLibexec) {
  ScratchDir prefix;
  std::filesystem::create_directories(prefix / "bin");
  std::filesystem::create_directories(prefix / "libexec/taruk");
  const std::string taruk = prefix / "bin/taruk";
  EXPECT_EQ(FindReader(taruk), "");

  const std::string installed = prefix / "libexec/taruk/taruk-smart-reader";
  WriteFileBytes(installed, "");
  EXPECT_EQ(FindReader(taruk), "") << "a reader that cannot be run is no reader";
  chmod(installed.c_str(), 0755);
  EXPECT_EQ(FindReader(taruk), prefix / "bin/../libexec/taruk/taruk-smart-reader");

  const std::string beside = prefix / "bin/taruk-smart-reader";
  WriteFileBytes(beside, "");
  chmod(beside.c_str(), 0755);
  EXPECT_EQ(FindReader(taruk), beside);
}
