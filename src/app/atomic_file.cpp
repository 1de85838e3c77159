#include "app/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

bool WriteAll(int fd, std::string_view contents) {
  while (!contents.empty()) {
    const ssize_t written = write(fd, contents.data(), contents.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    contents.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

// The file a symbolic link leads to; the path itself for anything else (a
// dangling link included: writing through it would create its target, which
// a rename can't do, so the link itself is replaced).
std::string FileToReplace(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes the rename itself durable. The new file is already in place when
// this runs, so a failure here is not a failed save.
void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

bool ReplaceFileAtomically(const std::string& path, std::string_view contents) {
  const std::string target = FileToReplace(path);

  // Truncating an old file the user may not write would fail; a rename would
  // not, and would undo a read-only file the user set on purpose.
  struct stat old {};
  const bool hadOld = stat(target.c_str(), &old) == 0;
  if (hadOld && access(target.c_str(), W_OK) != 0) return false;

  std::string temporary = target + ".XXXXXX";
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = true;
  if (hadOld && S_ISREG(old.st_mode)) ok = fchmod(fd, old.st_mode & 07777) == 0;
  ok = ok && WriteAll(fd, contents) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temporary.c_str(), target.c_str()) == 0;
  if (!ok) {
    unlink(temporary.c_str());
    return false;
  }
  SyncFolder(FolderOf(target));
  return true;
}
