#include "cli/problem_log.h"

#include <cstdio>

namespace taruk {

namespace {

// As --report prints it; a control character in a file name can't split the
// line.
void Log(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  std::fprintf(stderr, "taruk: %s\n", text.c_str());
}

}  // namespace

void ProblemLog::Update(const std::string& source, const std::string& problem) {
  const auto known = current_.find(source);
  const std::string before = known == current_.end() ? std::string() : known->second;
  if (problem == before) return;
  if (problem.empty()) {
    Log("cleared: " + before);
    current_.erase(known);
    return;
  }
  Log(problem);
  current_[source] = problem;
}

}  // namespace taruk
