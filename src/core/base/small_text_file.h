#pragma once
// Reading a small text file that a user put beside the captures. Only a
// regular file of bounded size is read: a FIFO or a device node given that
// name must not stall the pass that reads it, nor a huge file fill memory.

#include <cstddef>
#include <string>

namespace taruk {

enum class SmallFileStatus {
  Read,
  Missing,  // no such file
  Bad,      // not a regular file, too large or unreadable: `error` says why
};

// `error` names the file and fits on one line. `text` changes only when Read.
SmallFileStatus ReadSmallTextFile(const std::string& path, std::size_t maxBytes, std::string& text, std::string& error);

}  // namespace taruk
