#pragma once
// Replacing a small file without ever leaving it half written.

#include <string>
#include <string_view>

// Writes `contents` to a new file beside `path`, flushes it to the disk and
// renames it over `path`. Any failure (no folder, a read-only or full file
// system, an old file the user may not write) leaves the old file exactly as
// it was and returns false. A symbolic link at `path` keeps pointing at the
// file it names, which is the one replaced.
bool ReplaceFileAtomically(const std::string& path, std::string_view contents);
