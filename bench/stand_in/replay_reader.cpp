// A stand-in for taruk-smart-reader serve, for the unprivileged cycle's
// benchmark: the same requests and answers, and the demo drives' captures as
// what the drives answered. A child per request stands for the process that
// reads the drive (the real reader hands its drives to long-lived workers);
// the benchmark's CPU figure is the monitor's own either way.
//   replay_reader serve      (the captures of TARUK_DEMO_DIR)
#include <sys/wait.h>
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
  std::string line;
  char c = 0;
  while (read(STDIN_FILENO, &c, 1) == 1) {
    if (c != '\n') {
      line += c;
      continue;
    }
    ReaderRequest request;
    if (!ParseReaderRequest(line, request)) return 2;
    line.clear();
    const pid_t child = fork();
    if (child == 0) {
      const std::string reply = FormatReaderReply({0, captures[request.driveNumber], {}});
      _exit(write(STDOUT_FILENO, reply.data(), reply.size()) == static_cast<ssize_t>(reply.size()) ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
  }
  return 0;
}
