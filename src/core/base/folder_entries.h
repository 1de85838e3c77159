#pragma once
// The names in one folder, for those who look for files by a pattern (the
// replayed drives: driveN.capture for any N).

#include <string>
#include <vector>

namespace taruk {

// The names of the folder's entries as bytes (core/base/path_text.h), "."
// and ".." left out, in no particular order; none when it can't be read.
std::vector<std::string> FolderEntries(const std::string& path);

}  // namespace taruk
