#include "linux/reader_worker.h"

#include <errno.h>
#include <signal.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>

#include "linux/child_process.h"
#include "linux/descriptor_passing.h"
#include "linux/process_capabilities.h"

namespace taruk {

namespace {

// The one-shot reader's exit code for a drive it did not read.
constexpr int kNotRead = 1;

// Every descriptor but the standard three: a worker holds neither the
// monitor's socket nor another worker's.
void CloseOthers() {
  if (close_range(3, UINT_MAX, 0) == 0) return;
  const long last = sysconf(_SC_OPEN_MAX);
  for (long fd = 3; fd < (last > 0 ? last : 1024); ++fd) close(static_cast<int>(fd));
}

// The answer and the memory, both in the reply format: the parser bounds
// what the serving process takes from a worker.
std::string FormatWorkerAnswer(const WorkerAnswer& answer) {
  ReaderReply memory;
  if (answer.memory.size() <= kLargestReaderProblem) memory.problem = answer.memory;
  return FormatReaderReply(answer.reply) + FormatReaderReply(memory);
}

}  // namespace

ReaderWorker::ReaderWorker(int capability, std::string kind, ReadNode read, std::function<void(const std::string&)> log)
    : capability_(capability), kind_(std::move(kind)), read_(std::move(read)), log_(std::move(log)) {}

ReaderWorker::~ReaderWorker() {
  if (pid_ > 0) End();
}

bool ReaderWorker::Start(std::string& error) {
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
    error = "no socket pair: " + std::string(strerror(errno));
    return false;
  }
  const pid_t parent = getpid();
  const pid_t child = fork();
  if (child == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(0);  // the serving process is already gone
    Serve(pair[1]);
  }
  close(pair[1]);
  if (child < 0) {
    close(pair[0]);
    error = "cannot fork: " + std::string(strerror(errno));
    return false;
  }
  pid_ = child;
  socket_ = pair[0];
  if (!ended_.empty()) {
    log_("its " + kind_ + " worker ended (" + ended_ + "); started again");
    ended_.clear();
  }
  return true;
}

void ReaderWorker::Serve(int socket) {
  // Requests and answers pass on the standard descriptors, over the
  // serving process's own, which are the monitor's socket.
  if (dup2(socket, STDIN_FILENO) < 0 || dup2(socket, STDOUT_FILENO) < 0) _exit(1);
  CloseOthers();
  if (!KeepOnlyCapability(capability_)) _exit(1);
  for (;;) {
    char lines[kMostDescriptors * kLongestReaderRequest];
    std::vector<int> fds;
    const long n = ReceiveWithDescriptors(STDIN_FILENO, lines, sizeof lines, fds);
    if (n <= 0) _exit(0);
    // The serving process sends whole requests, a node with each.
    std::string_view text(lines, static_cast<std::size_t>(n));
    std::string answers;
    for (const int fd : fds) {
      const std::size_t end = text.find('\n');
      ReaderRequest request;
      if (end == std::string_view::npos || !ParseReaderRequest(text.substr(0, end), request)) _exit(2);
      text.remove_prefix(end + 1);
      answers += FormatWorkerAnswer(read_(request, fd));
    }
    if (fds.empty() || !text.empty()) _exit(2);
    if (!WriteAll(STDOUT_FILENO, answers)) _exit(1);
  }
}

std::string ReaderWorker::End() {
  kill(pid_, SIGKILL);
  close(socket_);
  socket_ = -1;
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  return ExitStatusText(status);
}

std::vector<WorkerAnswer> ReaderWorker::AskAll(const std::vector<NodeRequest>& requests) {
  std::vector<WorkerAnswer> answers;
  // The nodes stay open here until their drives are answered: those a
  // worker died without answering are asked again.
  const auto closeNodes = [&requests](std::size_t from, std::size_t to) {
    for (std::size_t n = from; n < to; ++n) close(requests[n].fd);
  };
  if (ReapedNow(pid_, ended_)) {
    close(socket_);
    socket_ = -1;
    pid_ = -1;
  }
  std::string error;
  if (requests.size() > kMostDescriptors || (pid_ <= 0 && !Start(error))) {
    closeNodes(0, requests.size());
    if (error.empty()) error = "too many drives in one request";
    answers.assign(requests.size(), {{kNotRead, {}, "taruk-smart-reader: " + error + "\n"}, {}});
    return answers;
  }
  std::string text;
  std::vector<int> fds;
  for (const NodeRequest& node : requests) {
    text += FormatReaderRequest(node.request);
    fds.push_back(node.fd);
  }
  const bool sent = SendWithDescriptors(socket_, text, fds);
  std::string received;
  std::size_t used = 0;
  ReplyState state = ReplyState::Incomplete;
  while (sent && answers.size() < requests.size()) {
    // Each answer is the reply, then the memory in the reply format.
    WorkerAnswer answer;
    ReaderReply memory;
    std::size_t replyUsed = 0;
    std::size_t memoryUsed = 0;
    const std::string_view rest = std::string_view(received).substr(used);
    state = ParseReaderReply(rest, answer.reply, replyUsed);
    if (state == ReplyState::Complete) state = ParseReaderReply(rest.substr(replyUsed), memory, memoryUsed);
    if (state == ReplyState::Complete) {
      answer.memory = std::move(memory.problem);
      answers.push_back(std::move(answer));
      used += replyUsed + memoryUsed;
      continue;
    }
    if (state == ReplyState::Malformed) break;
    char buffer[16384];
    const ssize_t n = read(socket_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    received.append(buffer, static_cast<std::size_t>(n));
  }
  if (sent && answers.size() == requests.size() && used == received.size()) {
    closeNodes(0, requests.size());
    return answers;
  }
  const bool died = state == ReplyState::Incomplete;
  ended_ = End();
  // Whole answers, then more than was asked for: the last answer is not
  // taken either.
  if (answers.size() == requests.size()) answers.pop_back();
  if (requests.size() > 1) {
    // The answers of one message come together, so which drive the worker
    // failed over is not known: the drives left are asked again one at a
    // time, and only that drive fails.
    closeNodes(0, answers.size());
    for (std::size_t n = answers.size(); n < requests.size(); ++n) answers.push_back(AskAll({requests[n]}).front());
    return answers;
  }
  closeNodes(0, 1);
  const std::string how = died && ended_.starts_with("signal") ? "was ended by " + ended_ : "gave no whole answer";
  const std::string drive = "drive " + std::to_string(requests.front().request.driveNumber);
  answers.push_back({{kNotRead, {}, "taruk-smart-reader: the reading of " + drive + " " + how + "\n"}, {}});
  return answers;
}

}  // namespace taruk
