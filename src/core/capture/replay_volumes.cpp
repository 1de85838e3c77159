#include "core/capture/replay_volumes.h"

#include <algorithm>
#include <charconv>

#include "core/base/path_text.h"
#include "core/base/small_text_file.h"

namespace taruk {

namespace {

// As many roots as there are drive letters.
constexpr std::size_t kMaxVolumes = 26;
// 26 lines of paths: anything far larger is not a volumes file.
constexpr std::size_t kMaxVolumesBytes = 1 << 20;

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
  std::string content;
  if (ReadSmallTextFile(path_, kMaxVolumesBytes, content, problem_) != SmallFileStatus::Read) {
    if (problem_.empty()) problem_ = path_ + ": cannot read: no such file";
    return std::nullopt;
  }
  Entries entries;
  std::string_view rest = content;
  int lineNumber = 0;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    ++lineNumber;
    const std::string_view text = Trim(line);
    if (text.empty() || text.front() == '#') continue;
    const std::size_t split = text.find_last_of(" \t");
    uint64_t bytes = 0;
    const std::string_view number = split == std::string_view::npos ? text : text.substr(split + 1);
    const auto [numberEnd, status] = std::from_chars(number.data(), number.data() + number.size(), bytes);
    if (split == std::string_view::npos || status != std::errc() || numberEnd != number.data() + number.size()) {
      problem_ =
          path_ + ":" + std::to_string(lineNumber) + ": expected a root and its free bytes, such as '/home 1234567'";
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

std::vector<VolumeSpace> ReplayVolumes::FreeSpace(size_t most) {
  std::vector<VolumeSpace> volumes;
  const auto entries = Read();
  if (!entries) return volumes;
  for (size_t i = 0; i < entries->size() && i < most; ++i) {
    const std::wstring& root = (*entries)[i].first;
    const auto first =
        std::find_if(entries->begin(), entries->end(), [&root](const auto& entry) { return entry.first == root; });
    volumes.push_back({root, first->second});
  }
  return volumes;
}

}  // namespace taruk
