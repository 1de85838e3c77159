// A stand-in for taruk-smart-reader serve, for the unprivileged cycle's
// benchmark: the same requests and answers, and the demo drives' captures as
// what the drives answered. Like the real reader it answers the requests
// that came together (a pass's drives) in one write, so the monitor wakes
// as often as it does with the real one; the drives' own work is left out,
// so "reader_cpu_us" is the cost of the round trip alone.
//   replay_reader serve      (the captures of TARUK_DEMO_DIR)
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "core/capture/capture_bytes.h"
#include "core/capture/reader_protocol.h"

using namespace taruk;

int main(int argc, char** argv) {
  if (argc != 2 || std::string(argv[1]) != "serve") return 2;
  std::string captures[4];
  for (int n = 0; n < 4; ++n) {
    std::ifstream file(std::string(TARUK_DEMO_DIR) + "/drive" + std::to_string(n) + ".capture");
    std::stringstream text;
    text << file.rdbuf();
    DriveCapture capture;
    std::string error;
    if (!ParseCapture(text.str(), "demo", capture, error)) return 1;
    captures[n] = EncodeCapture(capture);
  }
  std::string pending;
  char buffer[256];
  for (ssize_t got; (got = read(STDIN_FILENO, buffer, sizeof buffer)) > 0;) {
    pending.append(buffer, static_cast<std::size_t>(got));
    std::string answers;
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
      ReaderRequest request;
      if (!ParseReaderRequest(pending.substr(0, end), request) || request.driveNumber >= 4) return 2;
      answers += FormatReaderReply({0, captures[request.driveNumber], {}});
    }
    if (!answers.empty() &&
        write(STDOUT_FILENO, answers.data(), answers.size()) != static_cast<ssize_t>(answers.size())) {
      return 1;
    }
  }
  return 0;
}
