#pragma once
// The one taruk-smart-reader a monitor keeps for its whole run ("serve"),
// asked for drives' passes over a socket pair, a pass's drives at once. Starting a
// program with file capabilities costs the dynamic linker's secure mode
// every time; a reader per drive and cycle cost the monitor far more than
// the drives' own answers.
//
// The reader starts at the first request, with an empty environment. It ends
// with the monitor: it kills itself when the monitor dies, and ends when its
// socket closes. One that died, or was ended for taking too long, is started
// again at the next request, with a line in the log.

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "core/capture/reader_protocol.h"

namespace taruk {

struct ReaderAnswer {
  int startError = 0;     // errno when the reader could not be started
  bool stopped = false;   // a stop request came first
  bool timedOut = false;  // no whole answer within the time allowed
  // The reader ended, or said something that is not an answer, before the
  // whole answer came: what happened, in a few words.
  std::string broken;
  ReaderReply reply;  // when none of the above

  // Whether the reader answered: the reply holds its answer.
  bool Answered() const { return startError == 0 && !stopped && !timedOut && broken.empty(); }
};

class ReaderProcess {
 public:
  // `log` takes one line (without "taruk: "), for the restarts.
  ReaderProcess(std::string path, int stopFd, std::function<void(const std::string&)> log);
  ~ReaderProcess();
  ReaderProcess(const ReaderProcess&) = delete;
  ReaderProcess& operator=(const ReaderProcess&) = delete;

  // The requests in one write, and their answers in the same order, within
  // `timeoutMs` for each drive still to be answered. When the reader fails
  // in the middle, the answers still missing say how.
  std::vector<ReaderAnswer> AskAll(const std::vector<ReaderRequest>& requests, int timeoutMs);
  ReaderAnswer Ask(const ReaderRequest& request, int timeoutMs) { return AskAll({request}, timeoutMs).front(); }

  // The running reader's process id, -1 when none runs (for tests).
  pid_t Pid() const { return pid_; }

 private:
  int Start();
  // Ends the reader (killed unless it ends by itself at once) and says how
  // it ended, as "exit code 0" or "signal 9".
  std::string End();
  // A reader that died since the last request is noticed here, not in the
  // middle of the next one.
  void ReapIfEnded();

  std::string path_;
  int stopFd_;
  std::function<void(const std::string&)> log_;
  pid_t pid_ = -1;
  int socket_ = -1;
  // Why the last reader ended; said when the next one starts.
  std::string ended_;
};

}  // namespace taruk
