#pragma once
// Replacing a small file without ever leaving it half written, and without
// being led astray by what others may have put in the file's folder. Every
// file Taruk writes goes through here.

#include <string>
#include <string_view>

namespace taruk {

// How a write went. Tests as a boolean; `error` is the errno-style code (also
// left in errno) and `reason` one line for the user: the system's text, or
// what stands at the name.
struct FileWrite {
  bool written = false;
  int error = 0;
  std::string reason;
  explicit operator bool() const { return written; }
};

// Writes `contents` to a new file beside `path`, flushes it to the disk and
// renames it over `path`. Any failure (no folder, a read-only or full file
// system, an old file the user may not write) leaves the old file exactly as
// it was.
//
// Only a regular file is ever replaced. A device node, FIFO, socket, folder
// or link at `path` (on Windows: a device name such as NUL, a folder or a
// reparse point) is refused and left as it is: renaming over /dev/null, or
// over a link someone pointed at it, would turn the machine's device into a
// plain file. The new file is created exclusively under a fresh name, so
// nothing planted in the folder is ever opened either. A new file gets
// `newFileMode`; a replaced file keeps its mode. Written by root on Linux,
// a replaced file keeps its owner and group, and a new one takes its
// folder's.
//
// Temporaries are named ".NAME.taruk-XXXXXX", a name nobody else picks. One
// left behind by a save that was killed half-way is removed by a later save
// once it is a minute old, and only when it is this user's and no save holds
// it: another writer's save in progress is never touched, and neither is any
// other file beside `path` (NAME.backup stays).
FileWrite ReplaceFileAtomically(const std::string& path, std::string_view contents, unsigned newFileMode = 0600);

// The same, for a file that must not exist yet: when anything stands at
// `path` it is left alone and the result is EEXIST.
FileWrite CreateFileAtomically(const std::string& path, std::string_view contents, unsigned newFileMode = 0600);

}  // namespace taruk
