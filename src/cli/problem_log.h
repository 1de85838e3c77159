#pragma once
// Why a drive or the volumes can't be read, for the headless monitor's log:
// each problem is logged once when it starts and once when it clears, not on
// every cycle that still has it.

#include <map>
#include <string>

namespace taruk {

class ProblemLog {
 public:
  // `source` tells apart what has problems (a drive, the volumes); `problem`
  // is empty while the source is fine.
  void Update(const std::string& source, const std::string& problem);
  bool Any() const { return !current_.empty(); }

 private:
  std::map<std::string, std::string> current_;
};

}  // namespace taruk
