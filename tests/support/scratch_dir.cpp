#include "support/scratch_dir.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <system_error>
#include <vector>

namespace taruk {

namespace {

namespace fs = std::filesystem;

// Depth first, links not followed, every failure passed over (a test may
// have left a folder it made unreadable).
void RemoveTree(const fs::path& path) {
  std::error_code error;
  if (fs::is_directory(fs::symlink_status(path, error))) {
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(path, error), end; !error && it != end; it.increment(error)) {
      entries.push_back(it->path());
    }
    for (const fs::path& entry : entries) RemoveTree(entry);
  }
  fs::remove(path, error);
}

}  // namespace

// Under the system's temporary folder ($TMPDIR or /tmp on Linux, %TEMP% on
// Windows).
ScratchDir::ScratchDir() {
  std::error_code error;
  const fs::path base = fs::temp_directory_path(error);
  if (error) return;
  std::random_device seed;
  std::mt19937_64 random(seed());
  const char letters[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = "taruk-test-";
    for (int i = 0; i < 6; ++i) name += letters[random() % (sizeof letters - 1)];
    const fs::path folder = base / name;
    if (fs::create_directory(folder, error) && !error) {
      fs::permissions(folder, fs::perms::owner_all, error);
      path_ = folder.string();
      return;
    }
  }
}

ScratchDir::~ScratchDir() {
  if (!path_.empty()) RemoveTree(path_);
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out.flush());
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ListFolder(const std::string& path) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(path, error), end; !error && it != end; it.increment(error)) {
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  std::ostringstream list;
  for (const std::string& name : names) list << name << ' ';
  return list.str();
}

}  // namespace taruk
