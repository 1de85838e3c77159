#include "support/fake_sys_block.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace taruk {

FakeSysBlock::FakeSysBlock() : block_(scratch_ / "block") { std::filesystem::create_directories(block_); }

void FakeSysBlock::AddDisk(const std::string& name, const std::string& deviceNumber, bool isVirtual) {
  const std::string relative =
      (isVirtual ? "devices/virtual/block/" : "devices/pci0000:00/0000:00:1f.2/ata1/host0/block/") + name;
  std::filesystem::create_directories(scratch_ / relative);
  WriteFileBytes(scratch_ / relative + "/dev", deviceNumber + "\n");
  symlink(("../" + relative).c_str(), (block_ + "/" + name).c_str());
}

}  // namespace taruk
