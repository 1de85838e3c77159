#pragma once
// The last metrics page, handed from the monitoring cycle to the HTTP
// server's thread. The page itself never changes once published; the lock
// only guards which page is the current one.

#include <memory>
#include <mutex>
#include <string>

namespace taruk {

class MetricsSnapshot {
 public:
  void Publish(std::string page) {
    auto next = std::make_shared<const std::string>(std::move(page));
    const std::lock_guard<std::mutex> lock(mutex);
    current = std::move(next);
  }
  std::shared_ptr<const std::string> Current() const {
    const std::lock_guard<std::mutex> lock(mutex);
    return current;
  }

 private:
  mutable std::mutex mutex;
  std::shared_ptr<const std::string> current = std::make_shared<const std::string>();
};

}  // namespace taruk
