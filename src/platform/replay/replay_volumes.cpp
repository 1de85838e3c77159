#include "platform/replay/replay_volumes.h"

#include <charconv>
#include <fstream>

#include "app/path_text.h"

namespace {

// As many roots as there are drive letters.
constexpr std::size_t kMaxVolumes = 26;

std::string_view Trim(std::string_view text) {
  const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::string ReplayVolumesPath(const std::string& directory) {
  return directory.empty() || directory.back() == '/' ? directory + "volumes" : directory + "/volumes";
}

std::optional<ReplayVolumes::Entries> ReplayVolumes::Read() {
  problem_.clear();
  std::ifstream file(path_, std::ios::binary);
  if (!file) {
    problem_ = path_ + ": cannot read";
    return std::nullopt;
  }
  Entries entries;
  std::string line;
  int lineNumber = 0;
  while (std::getline(file, line)) {
    ++lineNumber;
    const std::string_view text = Trim(line);
    if (text.empty() || text.front() == '#') continue;
    const std::size_t split = text.find_last_of(" \t");
    uint64_t bytes = 0;
    const std::string_view number = split == std::string_view::npos ? text : text.substr(split + 1);
    const auto [end, status] = std::from_chars(number.data(), number.data() + number.size(), bytes);
    if (split == std::string_view::npos || status != std::errc() || end != number.data() + number.size()) {
      problem_ = path_ + ":" + std::to_string(lineNumber) + ": expected a root and its free bytes, such as '/home 1234567'";
      return std::nullopt;
    }
    if (entries.size() < kMaxVolumes) entries.emplace_back(PathBytesToWide(Trim(text.substr(0, split))), bytes);
  }
  return entries;
}

std::vector<std::wstring> ReplayVolumes::Roots() {
  std::vector<std::wstring> roots;
  if (const auto entries = Read()) {
    for (const auto& entry : *entries) roots.push_back(entry.first);
  }
  return roots;
}

bool ReplayVolumes::FreeBytesAvailable(const std::wstring& root, uint64_t& bytes) {
  const auto entries = Read();
  if (!entries) return false;
  for (const auto& entry : *entries) {
    if (entry.first == root) {
      bytes = entry.second;
      return true;
    }
  }
  return false;
}
