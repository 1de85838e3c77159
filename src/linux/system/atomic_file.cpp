#include "core/base/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace taruk {

namespace {

// mkostemp's six characters.
constexpr size_t kUniqueLength = 6;
// As many links as the kernel follows in one path.
constexpr int kMostLinks = 40;

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

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a chain of this user's own links leads to. Anything else, a
// dangling link included (writing through it would create its target, which
// a rename can't do), is replaced itself. So is a link someone else made: in
// a folder others may write, it would make us overwrite a file they choose.
std::string FileToReplace(const std::string& path) {
  std::string current = path;
  for (int hop = 0; hop < kMostLinks; ++hop) {
    struct stat info {};
    if (lstat(current.c_str(), &info) != 0) return path;
    if (!S_ISLNK(info.st_mode)) return current;
    if (info.st_uid != geteuid()) return path;
    char target[PATH_MAX];
    const ssize_t length = readlink(current.c_str(), target, sizeof target - 1);
    if (length <= 0) return path;
    const std::string next(target, static_cast<size_t>(length));
    current = next.front() == '/' ? next : FolderOf(current) + "/" + next;
  }
  return path;
}

// Makes the rename itself durable. The new file is already in place when
// this runs, so a failure here is not a failed save.
void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

bool IsTemporaryOf(const char* entry, const std::string& name) {
  const size_t length = std::strlen(entry);
  if (length != name.size() + 1 + kUniqueLength || name.compare(0, name.size(), entry, name.size()) != 0 ||
      entry[name.size()] != '.') {
    return false;
  }
  for (size_t i = name.size() + 1; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(entry[i]);
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
  }
  return true;
}

// A save holds a lock on its temporary until the rename, so a temporary
// whose lock can be taken was left by a save that never finished (kill -9,
// power loss). Only this user's regular files are touched.
void RemoveLeftoverTemporaries(const std::string& folder, const std::string& name) {
  const int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd < 0) return;
  DIR* listing = fdopendir(folderFd);
  if (!listing) {
    close(folderFd);
    return;
  }
  while (const dirent* entry = readdir(listing)) {
    if (!IsTemporaryOf(entry->d_name, name)) continue;
    const int fd = openat(folderFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat opened {};
    struct stat named {};
    if (fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == geteuid() &&
        flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        fstatat(folderFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_ino == opened.st_ino &&
        named.st_dev == opened.st_dev) {
      unlinkat(folderFd, entry->d_name, 0);
    }
    close(fd);
  }
  closedir(listing);
}

}  // namespace

bool ReplaceFileAtomically(const std::string& path, std::string_view contents, unsigned newFileMode) {
  const std::string target = FileToReplace(path);

  // Truncating an old file the user may not write would fail; a rename would
  // not, and would undo a read-only file the user set on purpose.
  struct stat old {};
  const bool hadOldFile = lstat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  if (hadOldFile && access(target.c_str(), W_OK) != 0) return false;

  // O_EXCL: a fresh file or nothing, whatever waits under the name.
  std::string temporary = target + "." + std::string(kUniqueLength, 'X');
  const int fd = mkostemp(temporary.data(), O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  // Marks the temporary as a save in progress. A file system without locks
  // refuses it; then no cleaner can take the lock either, and the save goes on.
  flock(fd, LOCK_EX | LOCK_NB);
  bool ok = fchmod(fd, hadOldFile ? old.st_mode & 07777 : newFileMode) == 0;
  ok = ok && WriteAll(fd, contents) && fsync(fd) == 0;
  // Renamed while still locked, so no cleaner can take it for a leftover.
  ok = ok && rename(temporary.c_str(), target.c_str()) == 0;
  const int failure = errno;
  close(fd);
  if (!ok) {
    unlink(temporary.c_str());
    errno = failure;
    return false;
  }
  const std::string folder = FolderOf(target);
  SyncFolder(folder);
  RemoveLeftoverTemporaries(folder, NameOf(target));
  return true;
}

}  // namespace taruk
