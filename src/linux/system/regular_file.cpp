#include "core/base/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace taruk {

RegularFile::RegularFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return;
  struct stat info {};
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    handle_ = fd;
  } else {
    close(fd);
  }
}

RegularFile::~RegularFile() {
  if (IsOpen()) close(static_cast<int>(handle_));
}

long long RegularFile::Read(char* buffer, std::size_t size) {
  if (!IsOpen()) return -1;
  ssize_t got;
  do {
    got = read(static_cast<int>(handle_), buffer, size);
  } while (got < 0 && errno == EINTR);
  return got;
}

bool MakeFolder(const std::string& path) { return mkdir(path.c_str(), 0700) == 0; }

}  // namespace taruk
