#pragma once
// One long-lived process of a serving taruk-smart-reader that reads the
// drives of one kind: it keeps the one capability their commands need
// (CAP_SYS_RAWIO for SG_IO, CAP_SYS_ADMIN for the NVMe admin pass-through)
// and no other, not even the right to open a node. The serving process opens
// each drive's node and hands it over with the request; the worker makes the
// device of it, reads it and sends the answer back.
//
// A worker is forked at the first request of its kind, so that it starts
// from the serving process's memory of the run (the USB bridges' probes),
// and hands back what it learnt with every answer. The drives of one pass
// come in one message and their answers go back in one write: a process
// woken once a pass, not once a drive. It dies with the serving
// process. One that died is started again at the next request, with a line
// in the log; the request it died in is answered as not read.

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "core/capture/reader_protocol.h"

namespace taruk {

struct WorkerAnswer {
  ReaderReply reply;
  // What the worker learnt that the next one should know (the bridges'
  // memory); at most kLargestReaderProblem bytes are taken back.
  std::string memory;
};

class ReaderWorker {
 public:
  // Runs in the worker for each request: reads drive `request.driveNumber`
  // through `fd` (the node, which it takes).
  using ReadNode = std::function<WorkerAnswer(const ReaderRequest& request, int fd)>;

  // `kind` names the worker in the log ("SG_IO"); `log` takes one line.
  ReaderWorker(int capability, std::string kind, ReadNode read, std::function<void(const std::string&)> log);
  ~ReaderWorker();
  ReaderWorker(const ReaderWorker&) = delete;
  ReaderWorker& operator=(const ReaderWorker&) = delete;

  // A request and the node it is to read through.
  struct NodeRequest {
    ReaderRequest request;
    int fd = -1;
  };

  // Sends the requests and their nodes (closed here; at most
  // kMostDescriptors) to the worker in one message, started first when none
  // runs, and waits for its answers, one for each in the same order. When
  // the worker dies first, the drives it left unanswered are asked again
  // one at a time, so that only the drive it died over is not read.
  std::vector<WorkerAnswer> AskAll(const std::vector<NodeRequest>& requests);
  WorkerAnswer Ask(const ReaderRequest& request, int fd) { return AskAll({{request, fd}}).front(); }

  // The running worker's process id, -1 when none runs.
  pid_t Pid() const { return pid_; }

 private:
  // False when no worker could be forked; `error` says why.
  bool Start(std::string& error);
  // Ends the worker (killed) and says how it ended ("signal 9").
  std::string End();
  [[noreturn]] void Serve(int socket);

  int capability_;
  std::string kind_;
  ReadNode read_;
  std::function<void(const std::string&)> log_;
  pid_t pid_ = -1;
  int socket_ = -1;
  // How the last worker ended; said when the next one starts.
  std::string ended_;
};

}  // namespace taruk
