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
// its whole run: requests on standard input, answered in their order on
// standard output (core/capture/reader_protocol.h); the requests of a pass
// that come together are served together. The serving process
// keeps only CAP_DAC_READ_SEARCH in effect and opens each drive's node
// (a fixed disk's it holds open from pass to pass, linux/held_nodes.h); two
// workers it forks when first needed read the drives, one keeping only
// CAP_SYS_RAWIO (SG_IO), one only CAP_SYS_ADMIN (NVMe), each given the
// node over a socket (linux/reader_worker.h). A process per request cost
// far more than the drives' answers. A malformed request ends the reader;
// so does the end of its input, or the monitor's death.
//
// Exit codes (the monitor's ReaderDeviceOpener relies on them, and the
// answers to requests carry the same):
//   0  the capture is on standard output; a line on standard error, if any,
//      says why the drive could not be read (for example no ATA pass-through;
//      an NVMe drive that could not be opened is captured from sysfs)
//   1  the drive did not open; standard error says why
//   2  usage error
//   3  there is no drive N

#include <linux/capability.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <memory>
#include <string>

#include "core/capture/capture_bytes.h"
#include "core/capture/drive_capture.h"
#include "core/capture/reader_protocol.h"
#include "core/capture/recording_device.h"
#include "linux/child_process.h"
#include "linux/descriptor_passing.h"
#include "linux/held_nodes.h"
#include "linux/linux_device_opener.h"
#include "linux/process_capabilities.h"
#include "linux/reader_worker.h"
#include "linux/whole_disks.h"

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

// The SG_IO of ATA and SCSI commands needs CAP_SYS_RAWIO, the NVMe admin
// pass-through CAP_SYS_ADMIN. The NVMe drive is sent only Identify
// Controller and Get Log Page. One in a USB enclosure gets them as its
// bridge's own SCSI commands, through SG_IO.
int NeededCapability(SmartDevice& device) {
  return device.Bus() == DriveBus::Nvme && !device.Bridge() ? CAP_SYS_ADMIN : CAP_SYS_RAWIO;
}

ReaderReply NotOpened(const ReaderRequest& request, const LinuxDeviceOpener& opener) {
  const std::string problem = opener.Problem(request.driveNumber);
  if (problem.empty()) return {kNoSuchDrive, {}, {}};
  return {kNotOpened, {}, problem + "\n"};
}

// How a reply carries the drive's answers: text for whoever ran the one-shot
// reader, compact bytes for the monitor of a serving one.
enum class CaptureForm { Text, Bytes };

// The pass over an open device, as the one-shot reader's exit code, output
// and error.
ReaderReply Captured(const ReaderRequest& request, std::unique_ptr<SmartDevice> device, const LinuxDeviceOpener& opener,
                     CaptureForm form) {
  const DriveCapture capture = CaptureDrive(*device, request.rule);
  device.reset();  // each pass closes the device
  ReaderReply reply{kCaptured, {}, {}};
  const std::string problem = opener.Problem(request.driveNumber);
  if (!problem.empty()) reply.problem = problem + "\n";
  if (form == CaptureForm::Bytes) {
    reply.capture = EncodeCapture(capture);
  } else {
    reply.capture = "# physical drive " + std::to_string(request.driveNumber) + ", read by taruk-smart-reader\n";
    reply.capture += FormatCapture(capture);
  }
  return reply;
}

// One drive's pass in the one-shot reader.
ReaderReply ReadOneDrive(const ReaderRequest& request, LinuxDeviceOpener& opener) {
  std::unique_ptr<SmartDevice> device = opener.Open(request.driveNumber);
  if (!device) return NotOpened(request, opener);
  // The device is open: from here on only the commands need a privilege.
  if (!KeepOnlyCapability(NeededCapability(*device))) {
    return {kNotOpened, {}, "taruk-smart-reader: cannot drop the capabilities it no longer needs\n"};
  }
  return Captured(request, std::move(device), opener, CaptureForm::Text);
}

// One drive's pass in the worker that holds `capability` alone, through the
// node the serving process opened. The drive's name is the kernel's for the
// node, which must be a whole disk's.
WorkerAnswer ReadNode(const ReaderRequest& request, int fd, LinuxDeviceOpener& opener, NodeDiskNames& names,
                      int capability) {
  OpenedNode node;
  node.name = names.Of(fd).value_or("");
  node.fd = fd;
  node.namedByKernel = !node.name.empty();
  std::unique_ptr<SmartDevice> device = opener.DeviceFor(request.driveNumber, std::move(node));
  if (!device) return {NotOpened(request, opener), opener.BridgeMemory()};
  if (NeededCapability(*device) != capability) {
    return {
        {kNotOpened,
         {},
         "taruk-smart-reader: drive " + std::to_string(request.driveNumber) + " came to the worker of another kind\n"},
        opener.BridgeMemory()};
  }
  ReaderReply reply = Captured(request, std::move(device), opener, CaptureForm::Bytes);
  return {std::move(reply), opener.BridgeMemory()};
}

enum class LineState { Whole, NotYet, TooLong };

// The next request line of what has been read, its '\n' dropped.
LineState TakeRequestLine(std::string& pending, std::string& line) {
  const std::size_t end = pending.find('\n');
  if (end == std::string::npos) return pending.size() >= kLongestReaderRequest ? LineState::TooLong : LineState::NotYet;
  if (end >= kLongestReaderRequest) return LineState::TooLong;
  line = pending.substr(0, end);
  pending.erase(0, end + 1);
  return LineState::Whole;
}

// One request line, read when `pending` holds none. False at the end of the
// input (with `line` what came of an unfinished one), and for a line longer
// than any request (`tooLong`). A pass's requests come in one write, and
// what a read brings beyond the line waits in `pending`.
bool ReadRequestLine(std::string& pending, std::string& line, bool& tooLong) {
  line.clear();
  tooLong = false;
  for (;;) {
    const LineState state = TakeRequestLine(pending, line);
    if (state != LineState::NotYet) {
      tooLong = state == LineState::TooLong;
      return !tooLong;
    }
    char buffer[256];
    const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      line = std::move(pending);
      return false;
    }
    pending.append(buffer, static_cast<std::size_t>(n));
  }
}

void LogLine(const std::string& line) {
  const std::string text = "taruk-smart-reader: " + line + "\n";
  fputs(text.c_str(), stderr);
}

// The requests that came together (a pass's drives), answered in one
// write. The serving process opens each node itself, or hands over the one
// it holds; the drives of one kind go to their worker in one message.
class BatchServer {
 public:
  explicit BatchServer(LinuxDeviceOpener& opener)
      : opener_(opener),
        sgIo_(
            CAP_SYS_RAWIO, "SG_IO",
            [this](const ReaderRequest& request, int fd) {
              return ReadNode(request, fd, opener_, names_, CAP_SYS_RAWIO);
            },
            LogLine),
        nvmeAdmin_(
            CAP_SYS_ADMIN, "NVMe admin",
            [this](const ReaderRequest& request, int fd) {
              return ReadNode(request, fd, opener_, names_, CAP_SYS_ADMIN);
            },
            LogLine) {}

  std::string Serve(const std::vector<ReaderRequest>& batch) {
    std::vector<ReaderReply> replies(batch.size());
    std::vector<ReaderWorker::NodeRequest> sgIoNodes;
    std::vector<ReaderWorker::NodeRequest> nvmeNodes;
    std::vector<std::size_t> sgIoPlaces;
    std::vector<std::size_t> nvmePlaces;
    for (std::size_t n = 0; n < batch.size(); ++n) {
      const ReaderRequest& request = batch[n];
      // A pass asks for its drives in rising order: the disks are listed
      // when the next pass begins, as the monitor lists them, not for every
      // drive.
      if (request.driveNumber <= lastDrive_) {
        opener_.DriveNumbers();
        held_.KeepOnly(opener_.ListedDisks());
      }
      lastDrive_ = request.driveNumber;
      OpenedNode node = held_.Node(opener_, request.driveNumber);
      if (node.fd < 0) {
        // Nothing to send commands through: what the failure means, or an
        // NVMe drive's identity from sysfs, needs no privilege.
        std::unique_ptr<SmartDevice> device = opener_.DeviceFor(request.driveNumber, std::move(node));
        replies[n] =
            device ? Captured(request, std::move(device), opener_, CaptureForm::Bytes) : NotOpened(request, opener_);
        continue;
      }
      const bool nvme = node.name.starts_with("nvme");
      (nvme ? nvmeNodes : sgIoNodes).push_back({request, node.fd});
      (nvme ? nvmePlaces : sgIoPlaces).push_back(n);
    }
    Ask(sgIo_, sgIoNodes, sgIoPlaces, replies);
    Ask(nvmeAdmin_, nvmeNodes, nvmePlaces, replies);
    std::string answers;
    for (const ReaderReply& reply : replies) answers += FormatReaderReply(reply);
    return answers;
  }

 private:
  void Ask(ReaderWorker& worker, const std::vector<ReaderWorker::NodeRequest>& nodes,
           const std::vector<std::size_t>& places, std::vector<ReaderReply>& replies) {
    if (nodes.empty()) return;
    std::vector<WorkerAnswer> answers = worker.AskAll(nodes);
    for (std::size_t n = 0; n < answers.size(); ++n) {
      opener_.RememberBridges(answers[n].memory);
      replies[places[n]] = std::move(answers[n].reply);
    }
  }

  LinuxDeviceOpener& opener_;
  HeldNodes held_;
  // Used only in the workers, each with its own copy: the serving process
  // hands them the same nodes every pass.
  NodeDiskNames names_;
  ReaderWorker sgIo_;
  ReaderWorker nvmeAdmin_;
  int lastDrive_ = INT_MAX;
};

int Serve() {
  // The monitor is its only user: it ends with it, even in the middle of a
  // request. The end of its input says the same when the monitor ended
  // before this was set.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  // Opening nodes is all this process does with a privilege; the other two
  // stay permitted only for the workers it may have to fork again.
  if (!KeepOnlyEffective(CAP_DAC_READ_SEARCH)) {
    LogLine("cannot drop the capabilities it does not use");
    return kNotOpened;
  }
  // Kept across requests for the bridges' memory, which the workers start
  // from and add to.
  LinuxDeviceOpener opener(kReaderPermissionHint);
  BatchServer server(opener);
  std::string pending;
  std::string line;
  bool tooLong = false;
  while (ReadRequestLine(pending, line, tooLong)) {
    std::vector<ReaderRequest> batch(1);
    bool parsed = ParseReaderRequest(line, batch[0]);
    // The rest of what came together, up to the nodes one message carries.
    while (parsed && batch.size() < kMostDescriptors && TakeRequestLine(pending, line) == LineState::Whole) {
      parsed = ParseReaderRequest(line, batch.emplace_back());
    }
    if (!parsed) {
      WriteAll(STDOUT_FILENO, FormatReaderReply({kUsage, {}, kUsageText}));
      return kUsage;
    }
    if (!WriteAll(STDOUT_FILENO, server.Serve(batch))) return kNotOpened;
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
