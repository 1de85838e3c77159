#pragma once
// Volumes answered from a text file instead of the machine: one volume per
// line, `ROOT FREE_BYTES` (the root may contain spaces; the number is the
// last word). '#' starts a comment line. Read afresh on every query, so a
// test can fill a volume up between two cycles by rewriting the file.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/drive/volumes.h"

namespace taruk {

class ReplayVolumes : public Volumes {
 public:
  explicit ReplayVolumes(std::string path) : path_(std::move(path)) {}

  std::vector<std::wstring> Roots() override;
  bool FreeBytesAvailable(const std::wstring& root, uint64_t& bytes) override;
  // All from one reading of the file, answered as the two queries above
  // would answer (a root given twice has the space of its first line).
  std::vector<VolumeSpace> FreeSpace(size_t most) override;

  // Why the last reading gave no volumes (unreadable or malformed file), in
  // one line naming the file and line; empty when it was fine.
  std::string Problem() const override { return problem_; }

 private:
  using Entries = std::vector<std::pair<std::wstring, uint64_t>>;
  std::optional<Entries> Read();

  std::string path_;
  std::string problem_;
};

// DIR/volumes.
std::string ReplayVolumesPath(const std::string& directory);

}  // namespace taruk
