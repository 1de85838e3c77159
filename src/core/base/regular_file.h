#pragma once
// A file that has to be a regular one, read piece by piece. It is opened
// without blocking and checked once open, so that a FIFO or a device given
// its name cannot stall the reader, and a folder of that name does not read
// as an empty file.

#include <cstddef>
#include <cstdint>
#include <string>

namespace taruk {

class RegularFile {
 public:
  enum class Opening {
    Opened,
    Missing,     // no such file
    NotRegular,  // a folder, a FIFO, a device...
    Failed,      // the system refused: ErrorText() says why
  };

  // `path` as bytes (core/base/path_text.h).
  explicit RegularFile(const std::string& path);
  ~RegularFile();
  RegularFile(const RegularFile&) = delete;
  RegularFile& operator=(const RegularFile&) = delete;

  // False when there is no such file, it can't be opened, or it is not a
  // regular file; Outcome() tells which.
  bool IsOpen() const { return handle_ != kClosed; }
  Opening Outcome() const { return outcome_; }
  // The size the file had when it was opened (it may grow or shrink since).
  std::size_t StatedSize() const { return statedSize_; }
  // Up to `size` bytes into `buffer`: how many came, 0 at the end, -1 on a
  // read error.
  long long Read(char* buffer, std::size_t size);
  // The system's one-line text for the last failure to open or to read.
  const std::string& ErrorText() const { return errorText_; }

 private:
  static constexpr std::intptr_t kClosed = -1;
  std::intptr_t handle_ = kClosed;  // the descriptor or the Win32 handle
  Opening outcome_ = Opening::Failed;
  std::size_t statedSize_ = 0;
  std::string errorText_;
};

// What tells that a regular file may have changed, without opening it: its
// identity (where the system gives one without opening), size and times.
// `settled`: its last change lies seconds before now, so a later change
// cannot carry the same times, coarse as a file system's clock may be
// (whole seconds, two on FAT). A stamp that is not settled proves nothing.
struct FileStamp {
  std::uint64_t identity = 0;
  std::uint64_t size = 0;
  std::int64_t modified = 0;
  std::int64_t changed = 0;
  bool settled = false;
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// False when nothing is there, it is not a regular file, or the system
// would not say.
bool StampFile(const std::string& path, FileStamp& stamp);

// Makes one folder, for this user alone where the system has modes (0700).
// False when it was not made, which includes a folder that exists already.
bool MakeFolder(const std::string& path);

}  // namespace taruk
