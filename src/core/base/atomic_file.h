#pragma once
// Replacing a small file without ever leaving it half written, and without
// being led astray by what others may have put in the file's folder. Every
// file Taruk writes goes through here.

#include <string>
#include <string_view>

namespace taruk {

// Writes `contents` to a new file beside `path`, flushes it to the disk and
// renames it over `path`. Any failure (no folder, a read-only or full file
// system, an old file the user may not write) leaves the old file exactly as
// it was and returns false, with errno telling why. (Windows has no modes and
// no user-made links of this kind: there the file is written beside `path`
// and moved over it in one step that reaches the disk before it returns.)
//
// The new file is created exclusively under a fresh name, so nothing planted
// in the folder (a link, a FIFO) is ever opened. A symbolic link at `path`
// is followed only when it, and every link it leads through, belongs to this
// user: that is the user's own arrangement. A link planted by someone else
// is replaced, never written through. A new file gets `newFileMode`; a
// replaced regular file keeps its mode.
//
// Temporaries left by a save that was killed half-way (`NAME.XXXXXX` files
// of this user that no running save holds) are removed after a save.
bool ReplaceFileAtomically(const std::string& path, std::string_view contents, unsigned newFileMode = 0600);

}  // namespace taruk
