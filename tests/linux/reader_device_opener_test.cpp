// Drives read through the privileged reader: the opener runs it once per
// drive and pass, and every way the reader can fail ends as a readable
// reason, never as a hang or a half-read drive.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "core/drive/read_drive_info.h"
#include "linux/child_process.h"
#include "linux/reader_device_opener.h"
#include "linux/reader_location.h"
#include "core/capture/drive_capture.h"
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

std::string ValidCapture() {
  DriveCapture capture;
  capture.deviceMap = 0x01;
  capture.geometry = CapturedGeometry{16383, 16, 63, 512};
  capture.enable[0] = true;
  capture.identify[0] = IdentifyPage("READER DISK", "FW1", "SER-7");
  return FormatCapture(capture);
}

struct Fixture {
  FakeSysBlock sys;
  ScratchDir bin;
  Fixture() {
    sys.AddDisk("sda", "8:0");
    sys.AddDisk("sdb", "8:16");
  }
};

}  // namespace

TEST(ReaderDeviceOpener, TheReadersCaptureFillsTheSlotAsALiveDriveWould) {
  Fixture f;
  const std::string reader =
      Script(f.bin, "reader", "[ \"$1\" = 0 ] || exit 9\ncat <<'END'\n" + ValidCapture() + "END");
  ReaderDeviceOpener opener(reader, f.sys.path());
  DriveSlot slot;
  ReadDriveInfo(opener, 0, slot);
  EXPECT_EQ(opener.Problem(0), "");
  EXPECT_EQ(slot.model.substr(0, 11), L"READER DISK");
  EXPECT_EQ(slot.capacityGb, 8);
  EXPECT_EQ(slot.capacityMb, 455);
}

TEST(ReaderDeviceOpener, TheReaderIsToldWhatThePassDoesWithASleepingDrive) {
  Fixture f;
  const std::string calls = f.bin / "calls";
  const std::string reader = Script(f.bin, "reader", "echo \"$# $2\" >>" + calls +
                                                         "\necho 'power-mode 0 0x00'\ncat <<'END'\n" +
                                                         ValidCapture() + "END");
  ReaderDeviceOpener opener(reader, f.sys.path());
  DriveSlot slot;
  ReadDriveInfo(opener, 0, slot);        // not yet present: identified only
  ReadDriveInfo(opener, 0, slot);        // present: left alone
  ReadDriveInfo(opener, 0, slot, true);  // --wake
  EXPECT_EQ(ReadFileBytes(calls), "1 \n2 leave\n2 wake\n");
  EXPECT_EQ(slot.powerMode, PowerMode::Standby);
  EXPECT_EQ(slot.model.substr(0, 11), L"READER DISK");
}

TEST(ReaderDeviceOpener, WhatTheReaderSaysBecomesTheProblem) {
  Fixture f;
  // Refused outright.
  ReaderDeviceOpener refused(
      Script(f.bin, "refused", "echo '/dev/sda: permission denied: taruk-smart-reader lacks its capabilities' >&2\nexit 1"),
      f.sys.path());
  EXPECT_FALSE(refused.Open(0));
  EXPECT_EQ(refused.Problem(0), "/dev/sda: permission denied: taruk-smart-reader lacks its capabilities");

  // Opened, but the drive does not speak ATA: a capture without a device
  // map, and the reason beside it. The drive never becomes present.
  ReaderDeviceOpener notAta(
      Script(f.bin, "not-ata", "echo '/dev/sda: not an ATA drive' >&2\necho '# nothing answered'"), f.sys.path());
  DriveSlot slot;
  ReadDriveInfo(notAta, 0, slot);
  EXPECT_FALSE(slot.IsPresent());
  EXPECT_EQ(notAta.Problem(0), "/dev/sda: not an ATA drive");

  // The drive vanished between the two listings: nothing to say.
  ReaderDeviceOpener vanished(Script(f.bin, "vanished", "exit 3"), f.sys.path());
  EXPECT_FALSE(vanished.Open(0));
  EXPECT_EQ(vanished.Problem(0), "");

  // Control characters cannot reach the report, and a reason stays one line.
  ReaderDeviceOpener noisy(
      Script(f.bin, "noisy", "printf '/dev/sda: \\033[31mred\\033[0m\\r\\nsecond line\\n' >&2\nexit 1"), f.sys.path());
  EXPECT_FALSE(noisy.Open(0));
  EXPECT_EQ(noisy.Problem(0), "/dev/sda: ?[31mred?[0m?");
}

TEST(ReaderDeviceOpener, BrokenReadersFailReadably) {
  Fixture f;
  struct Case {
    const char* body;
    const char* problemStart;
  };
  const Case cases[] = {
      {"echo 'device-map 0x01'\necho 'geometry 1 2'", "/dev/sda: taruk-smart-reader 0:2: expected the sectors per track"},
      {"exec yes", "/dev/sda: taruk-smart-reader wrote more than a capture holds"},
      {"exec sleep 30", "/dev/sda: taruk-smart-reader did not finish within 500 ms"},
      {"kill -TERM $$", "/dev/sda: taruk-smart-reader was ended by signal 15"},
      {"exit 7", "/dev/sda: taruk-smart-reader failed (exit code 7)"},
      {"echo 'usage: ...' >&2\nexit 2", "/dev/sda: taruk-smart-reader failed (exit code 2): usage: ..."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    ReaderDeviceOpener opener(Script(f.bin, "broken", c.body), f.sys.path(), 500);
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
  ReaderDeviceOpener selfEnding(Script(f.bin, "self-ending", "kill -TERM $$\nsleep 30"), f.sys.path(), 60000, stop[0]);
  EXPECT_FALSE(selfEnding.Open(0));
  EXPECT_EQ(selfEnding.Problem(0), "/dev/sda: taruk-smart-reader was ended by signal 15");

  const std::string started = f.bin / "started";
  ReaderDeviceOpener opener(Script(f.bin, "slow", "echo >>'" + started + "'\nexec sleep 60"), f.sys.path(), 60000,
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

TEST(ReaderDeviceOpener, TheReaderGetsTheDriveNumberAndNothingElse) {
  Fixture f;
  ScopedEnv sentinel("TARUK_READER_SENTINEL", "set-in-the-monitor");
  // Arguments, environment and standard input as the reader sees them.
  ReaderDeviceOpener opener(
      Script(f.bin, "probe",
             "if read -r line; then input=data; else input=none; fi\n"
             "echo \"args=$# first=$1 sentinel=${TARUK_READER_SENTINEL:-unset} "
             "input=$input\" >&2\nexit 1"),
      f.sys.path());
  EXPECT_FALSE(opener.Open(1));
  EXPECT_EQ(opener.Problem(1), "args=1 first=1 sentinel=unset input=none");
}

TEST(SmartReaderProgram, AcceptsOneDriveNumberAndNothingElse) {
  const std::string binary = TARUK_BINARY;
  const std::string reader = binary.substr(0, binary.rfind('/') + 1) + kReaderName;
  for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
           {}, {"1000"}, {"-1"}, {"00"}, {"07"}, {"0", "1"}, {""}, {"/dev/sda"}, {"0x0"}, {" 0"}, {"--help"}}) {
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
