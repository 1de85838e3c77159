#include "core/base/small_text_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace taruk {

SmallFileStatus ReadSmallTextFile(const std::string& path, std::size_t maxBytes, std::string& text,
                                  std::string& error) {
  // Opened without blocking and checked on the open descriptor, so nothing
  // can swap a FIFO in between the check and the read.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return SmallFileStatus::Missing;
    error = path + ": cannot read: " + std::strerror(errno);
    return SmallFileStatus::Bad;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    error = path + ": not a regular file";
    return SmallFileStatus::Bad;
  }
  // Room for what the file says it holds and one byte more, where the end of
  // the file (or a file over the limit) shows. Zeroing a buffer of the
  // largest size allowed would cost far more than the read, every cycle.
  const auto statedSize = static_cast<std::size_t>(info.st_size);
  std::string content(std::min(statedSize, maxBytes) + 1, '\0');
  std::size_t length = 0;
  while (true) {
    if (length == content.size()) {
      // More than the file said: it grew, or it tells no size.
      if (content.size() > maxBytes) break;
      content.resize(std::min(content.size() * 2, maxBytes + 1));
    }
    const ssize_t n = read(fd, content.data() + length, content.size() - length);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      error = path + ": cannot read: " + std::strerror(errno);
      close(fd);
      return SmallFileStatus::Bad;
    }
    length += static_cast<std::size_t>(n);
  }
  close(fd);
  if (length > maxBytes) {
    error = path + ": larger than " + std::to_string(maxBytes) + " bytes";
    return SmallFileStatus::Bad;
  }
  content.resize(length);
  text = std::move(content);
  return SmallFileStatus::Read;
}

}  // namespace taruk
