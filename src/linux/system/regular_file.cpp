#include "core/base/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

namespace taruk {

// Checked on the open descriptor, so nothing can swap a FIFO in between the
// check and the read.
RegularFile::RegularFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    outcome_ = errno == ENOENT ? Opening::Missing : Opening::Failed;
    errorText_ = std::strerror(errno);
    return;
  }
  struct stat info {};
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    handle_ = fd;
    outcome_ = Opening::Opened;
    statedSize_ = static_cast<std::size_t>(info.st_size);
  } else {
    close(fd);
    outcome_ = Opening::NotRegular;
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
  if (got < 0) errorText_ = std::strerror(errno);
  return got;
}

namespace {

constexpr std::int64_t kNanoseconds = 1'000'000'000;
constexpr std::int64_t kSettledAfter = 3 * kNanoseconds;

std::int64_t InNanoseconds(const timespec& time) { return time.tv_sec * kNanoseconds + time.tv_nsec; }

}  // namespace

bool StampFile(const std::string& path, FileStamp& stamp) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  stamp.identity = (static_cast<std::uint64_t>(info.st_dev) << 32) ^ static_cast<std::uint64_t>(info.st_ino);
  stamp.size = static_cast<std::uint64_t>(info.st_size);
  stamp.modified = InNanoseconds(info.st_mtim);
  stamp.changed = InNanoseconds(info.st_ctim);
  stamp.settled = InNanoseconds(now) - std::max(stamp.modified, stamp.changed) > kSettledAfter;
  return true;
}

bool MakeFolder(const std::string& path) { return mkdir(path.c_str(), 0700) == 0; }

}  // namespace taruk
