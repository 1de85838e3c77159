#include "core/base/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

namespace taruk {

namespace {

// What follows ".NAME" in a temporary's name: mkostemp replaces the X's.
constexpr char kTemporaryTail[] = ".taruk-XXXXXX";
constexpr size_t kUniqueLength = 6;
// A leftover younger than this may belong to a save still running on a slow
// disk; the lock says the same, this keeps a lock-less moment harmless too.
constexpr time_t kLeftoverAgeSeconds = 60;
// Fresh names tried when a cleaner got hold of the one just made.
constexpr int kNameTries = 10;

enum class Existing { Replace, Keep };

FileWrite Failed(int error, std::string reason) {
  errno = error;
  return {false, error, std::move(reason)};
}

FileWrite SystemFailure(int error) { return Failed(error, std::strerror(error)); }

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISLNK(mode)) return "a symbolic link";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

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

// Makes the rename itself durable. The new file is already in place when
// this runs, so a failure here is not a failed save.
void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// ".NAME.taruk-" and six letters or digits.
bool IsTemporaryOf(const char* entry, const std::string& name) {
  const std::string prefix = "." + name + ".taruk-";
  const size_t length = std::strlen(entry);
  if (length != prefix.size() + kUniqueLength || prefix.compare(0, prefix.size(), entry, prefix.size()) != 0) {
    return false;
  }
  for (size_t i = prefix.size(); i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(entry[i]);
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
  }
  return true;
}

// A save holds a lock on its temporary until the rename, so a temporary
// whose lock can be taken was left by a save that never finished (kill -9,
// power loss). The lock is taken while the file is checked and unlinked: a
// writer that finds its fresh temporary locked gives it up (below).
void RemoveLeftoverTemporaries(const std::string& folder, const std::string& name) {
  const int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd < 0) return;
  DIR* listing = fdopendir(folderFd);
  if (!listing) {
    close(folderFd);
    return;
  }
  const time_t oldEnough = std::time(nullptr) - kLeftoverAgeSeconds;
  while (const dirent* entry = readdir(listing)) {
    if (!IsTemporaryOf(entry->d_name, name)) continue;
    const int fd = openat(folderFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat opened {};
    struct stat named {};
    if (fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == geteuid() &&
        opened.st_mtime <= oldEnough && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        fstatat(folderFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_ino == opened.st_ino &&
        named.st_dev == opened.st_dev) {
      unlinkat(folderFd, entry->d_name, 0);
    }
    close(fd);
  }
  closedir(listing);
}

// Whether `path` still names the file open as `fd`.
bool StillNamed(int fd, const std::string& path) {
  struct stat opened {};
  struct stat named {};
  return fstat(fd, &opened) == 0 && lstat(path.c_str(), &named) == 0 && opened.st_ino == named.st_ino &&
         opened.st_dev == named.st_dev;
}

// A fresh temporary beside the target, locked by us. O_EXCL: a new file or
// nothing, whatever waits under the name. A cleaner removes a temporary only
// while it holds its lock; one that got there in the instant between its
// creation and our lock holds the lock, or has already removed the name:
// then another name is tried. A file system without locks refuses the lock
// to every cleaner as well, and the save goes on.
int MakeTemporary(const std::string& folder, const std::string& name, std::string& temporary) {
  for (int attempt = 0; attempt < kNameTries; ++attempt) {
    temporary = folder + "/." + name + kTemporaryTail;
    const int fd = mkostemp(temporary.data(), O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return -1;
    const bool locked = flock(fd, LOCK_EX | LOCK_NB) == 0;
    if ((locked || errno != EWOULDBLOCK) && StillNamed(fd, temporary)) return fd;
    close(fd);
  }
  errno = EBUSY;
  return -1;
}

// Puts the written temporary at the target: over a regular file, or, for a
// file that must be new, only where nothing stands (link() refuses an
// existing name; a file system without hard links is asked once more just
// before the rename).
bool PutInPlace(const std::string& temporary, const std::string& target, Existing existing) {
  if (existing == Existing::Replace) return rename(temporary.c_str(), target.c_str()) == 0;
  if (link(temporary.c_str(), target.c_str()) == 0) {
    unlink(temporary.c_str());
    return true;
  }
  if (errno == EEXIST) return false;
  struct stat info {};
  if (lstat(target.c_str(), &info) == 0) {
    errno = EEXIST;
    return false;
  }
  return rename(temporary.c_str(), target.c_str()) == 0;
}

FileWrite WriteFile(const std::string& target, std::string_view contents, unsigned newFileMode, Existing existing) {
  struct stat old {};
  bool hadOldFile = false;
  if (lstat(target.c_str(), &old) == 0) {
    if (existing == Existing::Keep) return Failed(EEXIST, std::strerror(EEXIST));
    if (S_ISLNK(old.st_mode)) {
      return Failed(EPERM, std::string("it is a symbolic link, which is never written through or replaced"));
    }
    if (!S_ISREG(old.st_mode)) {
      return Failed(S_ISDIR(old.st_mode) ? EISDIR : EPERM,
                    std::string("it is ") + KindOf(old.st_mode) + ", not a regular file: left as it is");
    }
    hadOldFile = true;
    // Truncating an old file the user may not write would fail; a rename
    // would not, and would undo a read-only file the user set on purpose.
    if (access(target.c_str(), W_OK) != 0) return SystemFailure(errno);
  } else if (errno != ENOENT) {
    return SystemFailure(errno);
  }

  const std::string folder = FolderOf(target);
  const std::string name = NameOf(target);
  std::string temporary;
  const int fd = MakeTemporary(folder, name, temporary);
  if (fd < 0) return SystemFailure(errno);
  // Root writing in another user's folder (taruk --set on the service's
  // settings) leaves the file that user's: the old file's owner, or the
  // folder's for a new one. The service could no longer read its own
  // settings otherwise, and that user could replace the file anyway. Anyone
  // else can't, and writes the file as their own.
  struct stat owner = old;
  if (!hadOldFile && stat(folder.c_str(), &owner) != 0) owner.st_uid = geteuid(), owner.st_gid = getegid();
  if (geteuid() == 0 && (owner.st_uid != geteuid() || owner.st_gid != getegid())) {
    if (fchown(fd, owner.st_uid, owner.st_gid) != 0) {
      const int failure = errno;
      close(fd);
      unlink(temporary.c_str());
      return SystemFailure(failure);
    }
  }
  bool ok = fchmod(fd, hadOldFile ? old.st_mode & 07777 : newFileMode) == 0;
  ok = ok && WriteAll(fd, contents) && fsync(fd) == 0;
  // Put in place while still locked, so no cleaner can take it for a leftover.
  ok = ok && PutInPlace(temporary, target, existing);
  const int failure = errno;
  close(fd);
  if (!ok) {
    unlink(temporary.c_str());
    return SystemFailure(failure);
  }
  SyncFolder(folder);
  RemoveLeftoverTemporaries(folder, name);
  return {true, 0, {}};
}

}  // namespace

FileWrite ReplaceFileAtomically(const std::string& path, std::string_view contents, unsigned newFileMode) {
  return WriteFile(path, contents, newFileMode, Existing::Replace);
}

FileWrite CreateFileAtomically(const std::string& path, std::string_view contents, unsigned newFileMode) {
  return WriteFile(path, contents, newFileMode, Existing::Keep);
}

}  // namespace taruk
