#pragma once
// The last metrics page, handed from the monitoring cycle to the HTTP
// server's thread. The page itself never changes once published; the lock
// only guards which page is the current one.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace taruk {

// A published page: its first `readingsLength` bytes are the readings,
// which are the same text in every page of the same `readingsVersion`, so
// that what is made of them (the gzipped page) is made again only when
// they change.
struct PublishedPage {
  std::shared_ptr<const std::string> text;
  std::size_t readingsLength = 0;
  uint64_t readingsVersion = 0;
};

class MetricsSnapshot {
 public:
  void Publish(std::string page, std::size_t readingsLength = 0, uint64_t readingsVersion = 0) {
    PublishedPage next{std::make_shared<const std::string>(std::move(page)), readingsLength, readingsVersion};
    const std::lock_guard<std::mutex> lock(mutex);
    current = std::move(next);
  }
  std::shared_ptr<const std::string> Current() const { return Latest().text; }
  PublishedPage Latest() const {
    const std::lock_guard<std::mutex> lock(mutex);
    return current;
  }

 private:
  mutable std::mutex mutex;
  PublishedPage current{std::make_shared<const std::string>()};
};

}  // namespace taruk
