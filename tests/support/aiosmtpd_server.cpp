#include "support/aiosmtpd_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace taruk {

namespace {

using namespace std::chrono_literals;

sockaddr_in Loopback(uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  return address;
}

// A port the system just handed out and took back: free, most likely still
// when the server binds it a moment later.
uint16_t FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = Loopback(0);
  socklen_t size = sizeof address;
  uint16_t port = 0;
  if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
    port = ntohs(address.sin_port);
  }
  if (fd >= 0) close(fd);
  return port;
}

std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

bool SomethingListensOn(uint16_t port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const sockaddr_in address = Loopback(port);
  const bool listening = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return listening;
}

AiosmtpdServer::~AiosmtpdServer() {
  Stop();
  if (!directory.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
  }
}

bool AiosmtpdServer::Start(std::string& failure) {
  return Launch(failure,
                {"-m", "aiosmtpd", "-n", "-l", "127.0.0.1:PORT", "-c", "aiosmtpd.handlers.Mailbox", "MAILDIR"});
}

bool AiosmtpdServer::StartTls(std::string& failure, const std::string& mode, const std::string& cert,
                              const std::string& key) {
  return Launch(failure, {TARUK_TEST_DATA_DIR "/../support/tls_smtp_server.py", mode, "PORT", "MAILDIR", cert, key});
}

// PORT and MAILDIR in the arguments stand for the server's own.
bool AiosmtpdServer::Launch(std::string& failure, const std::vector<std::string>& arguments) {
  std::string pattern = (std::filesystem::temp_directory_path() / "taruk-aiosmtpd-XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    failure = "cannot make a temporary directory";
    return false;
  }
  directory = pattern;
  port = FreePort();
  const std::string listen = "127.0.0.1:" + std::to_string(port);
  const std::string mailbox = (directory / "Maildir").string();
  const std::string log = (directory / "server.log").string();
  // Debian's Python modules are only seen by Debian's own interpreter. -n
  // keeps aiosmtpd from switching to the user "nobody" when run as root.
  std::vector<std::string> words = {"/usr/bin/python3"};
  for (const std::string& argument : arguments) {
    words.push_back(argument == "MAILDIR"          ? mailbox
                    : argument == "PORT"           ? std::to_string(port)
                    : argument == "127.0.0.1:PORT" ? listen
                                                   : argument);
  }
  std::vector<const char*> argv;
  for (const std::string& word : words) argv.push_back(word.c_str());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&files, 1, 2);
  const int spawned = posix_spawn(&pid, argv[0], &files, nullptr, const_cast<char* const*>(argv.data()), environ);
  posix_spawn_file_actions_destroy(&files);
  if (spawned != 0) {
    pid = -1;
    failure = "cannot run /usr/bin/python3";
    return false;
  }

  const auto deadline = std::chrono::steady_clock::now() + 15s;
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      pid = -1;
      failure =
          "aiosmtpd ended at once (is python3-aiosmtpd installed? scripts/install-deps.sh test): " + ReadWhole(log);
      return false;
    }
    if (SomethingListensOn(port)) return true;
    std::this_thread::sleep_for(50ms);
  }
  failure = "aiosmtpd did not listen on " + listen + " within 15 s: " + ReadWhole(log);
  Stop();
  return false;
}

void AiosmtpdServer::Stop() {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  for (int waited = 0; waited < 100; ++waited) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) {
      pid = -1;
      return;
    }
    std::this_thread::sleep_for(50ms);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  pid = -1;
}

std::vector<std::string> AiosmtpdServer::Messages() const {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const char* folder : {"new", "cur"}) {
    for (const auto& entry : std::filesystem::directory_iterator(directory / "Maildir" / folder, error)) {
      files.push_back(entry.path());
    }
  }
  // Maildir names begin with the delivery time in seconds.
  std::sort(files.begin(), files.end());
  std::vector<std::string> messages;
  for (const auto& file : files) messages.push_back(ReadWhole(file));
  return messages;
}

}  // namespace taruk
