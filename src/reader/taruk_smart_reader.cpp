// taruk-smart-reader N [leave|wake]: reads physical drive N (0..999) the way
// one reading pass does and writes the drive's answers to standard output as
// capture text. It is installed with the capabilities that reading S.M.A.R.T.
// needs, so that the monitor itself can run without them; it therefore takes
// one drive number and nothing else but what the pass does with a drive
// that reports standby: by default it is identified only, with `leave` it is
// sent nothing more, with `wake` it is read as any other. No paths, no other
// options, and nothing from the environment decides what it opens.
//
// taruk-smart-reader serve: the same for a monitor that keeps one reader for
// its whole run, one request at a time on standard input, each answered on
// standard output (core/capture/reader_protocol.h). Each request is read in a
// child of its own, which drops its capabilities as the one-shot reader does,
// so that the next drive starts from the same three. A malformed request ends
// the reader; so does the end of its input, or the monitor's death.
//
// Exit codes (the monitor's ReaderDeviceOpener relies on them, and the
// answers to requests carry the same):
//   0  the capture is on standard output; a line on standard error, if any,
//      says why the drive could not be read (for example no ATA pass-through;
//      an NVMe drive that could not be opened is captured from sysfs)
//   1  the drive did not open; standard error says why
//   2  usage error
//   3  there is no drive N

#include <fcntl.h>
#include <linux/capability.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>

#include "core/capture/drive_capture.h"
#include "core/capture/reader_protocol.h"
#include "core/capture/recording_device.h"
#include "linux/linux_device_opener.h"
#include "linux/process_capabilities.h"

namespace taruk {

namespace {

constexpr int kCaptured = 0;
constexpr int kNotOpened = 1;
constexpr int kUsage = 2;
constexpr int kNoSuchDrive = 3;

const char* const kUsageText =
    "usage: taruk-smart-reader N [leave|wake]   (N = physical drive number, 0 to 999)\n"
    "       taruk-smart-reader serve            (the same requests, one per line on standard input)\n";

const char* const kReaderPermissionHint =
    "taruk-smart-reader lacks its capabilities (setcap cap_sys_rawio,cap_sys_admin,cap_dac_read_search=ep)";

// One drive's pass, as the one-shot reader's exit code, output and error.
// `opener` carries the run's memory of the USB bridges' probes.
ReaderReply ReadOneDrive(const ReaderRequest& request, LinuxDeviceOpener& opener) {
  std::unique_ptr<SmartDevice> device = opener.Open(request.driveNumber);
  if (!device) {
    const std::string problem = opener.Problem(request.driveNumber);
    if (problem.empty()) return {kNoSuchDrive, {}, {}};
    return {kNotOpened, {}, problem + "\n"};
  }
  // The device is open: from here on only the commands need a privilege,
  // SG_IO CAP_SYS_RAWIO and the NVMe admin pass-through CAP_SYS_ADMIN. The
  // NVMe drive is sent only Identify Controller and Get Log Page. One in a
  // USB enclosure gets them as its bridge's own SCSI commands, through SG_IO.
  const bool nvmeAdmin = device->Bus() == DriveBus::Nvme && !device->Bridge();
  const int needed = nvmeAdmin ? CAP_SYS_ADMIN : CAP_SYS_RAWIO;
  if (!KeepOnlyCapability(needed)) {
    return {kNotOpened, {}, "taruk-smart-reader: cannot drop the capabilities it no longer needs\n"};
  }

  const DriveCapture capture = CaptureDrive(*device, request.rule);
  device.reset();  // each pass closes the device

  ReaderReply reply{kCaptured, {}, {}};
  const std::string problem = opener.Problem(request.driveNumber);
  if (!problem.empty()) reply.problem = problem + "\n";
  reply.capture = "# physical drive " + std::to_string(request.driveNumber) + ", read by taruk-smart-reader\n";
  reply.capture += FormatCapture(capture);
  return reply;
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    written += static_cast<std::size_t>(n);
  }
  return true;
}

// One request line, its '\n' dropped. False at the end of the input, and
// for a line longer than any request (`tooLong`).
bool ReadRequestLine(std::string& line, bool& tooLong) {
  line.clear();
  tooLong = false;
  for (;;) {
    char c = 0;
    const ssize_t n = read(STDIN_FILENO, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    if (c == '\n') return true;
    line += c;
    if (line.size() >= kLongestReaderRequest) {
      tooLong = true;
      return false;
    }
  }
}

// What a child learnt of the USB bridges, back to the reader: a few short
// lines, which the pipe holds whole before the reply is written.
constexpr std::size_t kLargestBridgeMemory = 4096;

// The bridge memory from its pipe, once the child is done with it.
std::string ReadBridgeMemory(int fd) {
  std::string memory;
  char buffer[1024];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    memory.append(buffer, static_cast<std::size_t>(n));
    if (memory.size() > kLargestBridgeMemory) return {};
  }
  return memory;
}

// The pass in a child, whose capabilities are dropped for its drive alone.
// What it sends back is checked; a child that dies says so. The child starts
// from the run's bridge memory in `opener` and hands back what it added.
ReaderReply ReadInChild(const ReaderRequest& request, LinuxDeviceOpener& opener) {
  const std::string device = "drive " + std::to_string(request.driveNumber);
  int fds[2];
  int memoryFds[2];
  if (pipe2(fds, O_CLOEXEC) != 0)
    return {kNotOpened, {}, "taruk-smart-reader: no pipe: " + std::string(strerror(errno)) + "\n"};
  if (pipe2(memoryFds, O_CLOEXEC) != 0) {
    close(fds[0]);
    close(fds[1]);
    return {kNotOpened, {}, "taruk-smart-reader: no pipe: " + std::string(strerror(errno)) + "\n"};
  }
  const pid_t child = fork();
  if (child == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    close(fds[0]);
    close(memoryFds[0]);
    const std::string reply = FormatReaderReply(ReadOneDrive(request, opener));
    const std::string memory = opener.BridgeMemory();
    if (memory.size() <= kLargestBridgeMemory) WriteAll(memoryFds[1], memory);
    close(memoryFds[1]);
    _exit(WriteAll(fds[1], reply) ? 0 : 1);
  }
  close(fds[1]);
  close(memoryFds[1]);
  if (child < 0) {
    close(fds[0]);
    close(memoryFds[0]);
    return {kNotOpened, {}, "taruk-smart-reader: cannot fork: " + std::string(strerror(errno)) + "\n"};
  }
  std::string received;
  char buffer[16384];
  for (;;) {
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    received.append(buffer, static_cast<std::size_t>(n));
    if (received.size() > kLargestReaderCapture + kLargestReaderProblem + 64) break;
  }
  close(fds[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  // The child is gone: its end of the pipe is closed, the read ends.
  const std::string memory = ReadBridgeMemory(memoryFds[0]);
  close(memoryFds[0]);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) opener.RememberBridges(memory);
  ReaderReply reply;
  std::size_t used = 0;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
      ParseReaderReply(received, reply, used) == ReplyState::Complete && used == received.size()) {
    return reply;
  }
  const std::string how =
      WIFSIGNALED(status) ? "was ended by signal " + std::to_string(WTERMSIG(status)) : "gave no whole answer";
  return {kNotOpened, {}, "taruk-smart-reader: the reading of " + device + " " + how + "\n"};
}

int Serve() {
  // The monitor is its only user: it ends with it, even in the middle of a
  // request. The end of its input says the same when the monitor ended
  // before this was set.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  std::string line;
  bool tooLong = false;
  ReaderRequest request;
  // Kept across requests for the bridges' memory; each child opens afresh.
  LinuxDeviceOpener opener(kReaderPermissionHint);
  while (ReadRequestLine(line, tooLong)) {
    if (!ParseReaderRequest(line, request)) {
      WriteAll(STDOUT_FILENO, FormatReaderReply({kUsage, {}, kUsageText}));
      return kUsage;
    }
    if (!WriteAll(STDOUT_FILENO, FormatReaderReply(ReadInChild(request, opener)))) return kNotOpened;
  }
  // The input ended: between two requests is the monitor's way to end
  // the reader; in the middle of one, or a line too long, is not a request.
  if (!line.empty() || tooLong) {
    WriteAll(STDOUT_FILENO, FormatReaderReply({kUsage, {}, kUsageText}));
    return kUsage;
  }
  return 0;
}

}  // namespace

// A reader that holds file capabilities is not dumpable, and the leak checker
// of a sanitized build cannot attach to it there; it still checks plain runs.
extern "C" int __lsan_is_turned_off() { return prctl(PR_GET_DUMPABLE) != 1; }

}  // namespace taruk

using namespace taruk;

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "serve") return Serve();
  // The arguments are one request's words: a drive number, then at most one word.
  ReaderRequest request;
  const std::string line = argc == 2 ? argv[1] : argc == 3 ? std::string(argv[1]) + " " + argv[2] : "";
  if (argc < 2 || argc > 3 || std::string(argv[1]).find(' ') != std::string::npos ||
      !ParseReaderRequest(line, request)) {
    fputs(kUsageText, stderr);
    return kUsage;
  }
  LinuxDeviceOpener opener(kReaderPermissionHint);
  const ReaderReply reply = ReadOneDrive(request, opener);
  fputs(reply.problem.c_str(), stderr);
  if (fwrite(reply.capture.data(), 1, reply.capture.size(), stdout) != reply.capture.size() || fflush(stdout) != 0) {
    return kNotOpened;
  }
  return reply.code;
}
