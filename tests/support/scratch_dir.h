#pragma once
// A fresh folder under the system's temporary folder, removed with everything
// in it when the test ends.

#include <string>

namespace taruk {

class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Small file helpers for tests.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
// The file's bytes; "<missing>" when it can't be read.
std::string ReadFileBytes(const std::string& path);
// Names in a folder other than "." and "..", sorted.
std::string ListFolder(const std::string& path);

}  // namespace taruk
