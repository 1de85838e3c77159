#pragma once
// A made-up /sys/block for tests: each entry is a link into a devices tree,
// as the kernel lays it out, with the "dev" file that gives its device number.

#include <string>

#include "support/scratch_dir.h"

namespace taruk {

class FakeSysBlock {
 public:
  FakeSysBlock();
  const std::string& path() const { return block_; }  // stands for /sys/block
  // A disk on a controller (`virtual` puts it under /devices/virtual/).
  void AddDisk(const std::string& name, const std::string& deviceNumber = "8:0", bool isVirtual = false);
  std::string root() const { return scratch_.path(); }

 private:
  ScratchDir scratch_;
  std::string block_;
};

}  // namespace taruk
