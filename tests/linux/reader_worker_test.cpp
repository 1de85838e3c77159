// A serving reader's worker: a real forked process that takes nodes over its
// socket, keeps one capability, and is started again when it dies.

#include "linux/reader_worker.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "linux/process_capabilities.h"

using namespace taruk;

namespace {

// What the worker saw, as its reply's capture: the node it was handed (its
// inode), its own pid, its capabilities in effect, and whether a descriptor
// of the test's was still open in it.
WorkerAnswer Report(const ReaderRequest& request, int fd, int testFd) {
  struct stat status {};
  const bool isNode = fstat(fd, &status) == 0;
  close(fd);
  if (request.driveNumber == 13) raise(SIGKILL);
  if (request.driveNumber == 14) _exit(0);
  if (request.driveNumber == 15) {
    (void)!write(STDOUT_FILENO, "no answer\n", 10);
    _exit(0);
  }
  const std::string seen =
      std::to_string(isNode ? status.st_ino : 0) + " " + std::to_string(getpid()) + " " +
      std::to_string(HasEffectiveCapability(CAP_SYS_RAWIO)) + std::to_string(HasEffectiveCapability(CAP_SYS_ADMIN)) +
      std::to_string(HasEffectiveCapability(CAP_DAC_READ_SEARCH)) + " " + std::to_string(fcntl(testFd, F_GETFD) >= 0);
  return {{0, seen, "drive " + std::to_string(request.driveNumber) + "\n"}, "0 sdz learnt\n"};
}

}  // namespace

TEST(ReaderWorker, TakesNodesInOneProcessWithOneCapabilityAndRestartsWhenItDies) {
  int testPipe[2];
  ASSERT_EQ(pipe(testPipe), 0);
  std::vector<std::string> log;
  ReaderWorker worker(
      CAP_SYS_RAWIO, "SG_IO", [&](const ReaderRequest& request, int fd) { return Report(request, fd, testPipe[0]); },
      [&](const std::string& line) { log.push_back(line); });
  const auto ask = [&](int drive) {
    const int fd = open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
    return worker.Ask({drive, SleepingDrive::Identify}, fd);
  };
  struct stat exe {};
  ASSERT_EQ(stat("/proc/self/exe", &exe), 0);
  const std::string rawio = HasEffectiveCapability(CAP_SYS_RAWIO) ? "1" : "0";

  const WorkerAnswer first = ask(1);
  const pid_t pid = worker.Pid();
  ASSERT_GT(pid, 0);
  EXPECT_EQ(first.reply.capture, std::to_string(exe.st_ino) + " " + std::to_string(pid) + " " + rawio + "00 0")
      << "the node arrives; only the worker's capability is in effect; it holds no descriptor of its parent";
  EXPECT_EQ(first.reply.problem, "drive 1\n");
  EXPECT_EQ(first.memory, "0 sdz learnt\n");
  EXPECT_EQ(ask(2).reply.problem, "drive 2\n");
  EXPECT_EQ(worker.Pid(), pid) << "one worker for every request";

  struct Death {
    int drive;
    const char* problem;
  };
  for (const Death& death : {Death{13, "taruk-smart-reader: the reading of drive 13 was ended by signal 9\n"},
                             Death{14, "taruk-smart-reader: the reading of drive 14 gave no whole answer\n"},
                             Death{15, "taruk-smart-reader: the reading of drive 15 gave no whole answer\n"}}) {
    SCOPED_TRACE(death.drive);
    const pid_t before = worker.Pid();
    log.clear();
    const WorkerAnswer died = ask(death.drive);
    EXPECT_EQ(died.reply.code, 1);
    EXPECT_EQ(died.reply.capture, "");
    EXPECT_EQ(died.reply.problem, death.problem);
    EXPECT_EQ(died.memory, "");
    EXPECT_EQ(worker.Pid(), -1);
    EXPECT_TRUE(log.empty()) << "the restart is told when it happens";
    EXPECT_EQ(ask(3).reply.problem, "drive 3\n");
    EXPECT_NE(worker.Pid(), before);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log[0].starts_with("its SG_IO worker ended (")) << log[0];
  }

  // A worker that died between two requests is noticed before the next.
  const pid_t idle = worker.Pid();
  log.clear();
  kill(idle, SIGKILL);
  siginfo_t info{};
  waitid(P_PID, static_cast<id_t>(idle), &info, WEXITED | WNOWAIT);  // dead, not yet reaped
  EXPECT_EQ(ask(4).reply.problem, "drive 4\n");
  EXPECT_EQ(log, std::vector<std::string>{"its SG_IO worker ended (signal 9); started again"});

  // A pass's drives in one message, answered in their order. The answers
  // come together, so when the worker dies the drives are asked again one
  // by one (a second restart): the drive it dies over fails alone, and
  // every node is closed here once.
  log.clear();
  const auto openFds = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator());
  };
  const auto fdsBefore = openFds();
  const auto node = [] { return open("/proc/self/exe", O_RDONLY | O_CLOEXEC); };
  const std::vector<WorkerAnswer> pass = worker.AskAll({{{1, SleepingDrive::Identify}, node()},
                                                        {{13, SleepingDrive::Leave}, node()},
                                                        {{2, SleepingDrive::Wake}, node()},
                                                        {{5, SleepingDrive::Identify}, node()}});
  ASSERT_EQ(pass.size(), 4u);
  EXPECT_EQ(pass[0].reply.problem, "drive 1\n");
  EXPECT_EQ(pass[1].reply.problem, "taruk-smart-reader: the reading of drive 13 was ended by signal 9\n");
  EXPECT_EQ(pass[2].reply.problem, "drive 2\n");
  EXPECT_EQ(pass[3].reply.problem, "drive 5\n");
  EXPECT_EQ(log, std::vector<std::string>(2, "its SG_IO worker ended (signal 9); started again"));
  EXPECT_EQ(openFds(), fdsBefore);
  close(testPipe[0]);
  close(testPipe[1]);
}
