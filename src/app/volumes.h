#pragma once
// The volumes whose free space the monitor watches, in the order they are
// tested (at most 26), and the space available to the calling user on each.

#include <cstdint>
#include <string>
#include <vector>

class Volumes {
 public:
  virtual ~Volumes() = default;
  virtual std::vector<std::wstring> Roots() = 0;
  // False when the root cannot be queried (gone, not ready): it is skipped.
  virtual bool FreeBytesAvailable(const std::wstring& root, uint64_t& bytes) = 0;
  // Why the last query found no volumes at all when it should have (a
  // replayed volumes file gone or malformed), in one line; empty otherwise.
  virtual std::string Problem() const { return {}; }
};
