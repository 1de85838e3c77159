#pragma once
// A page compressed for a client that accepts gzip (Prometheus always asks
// for it: the metrics page shrinks about tenfold), through zlib.

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace taruk {

// The gzip member holding `text`; empty when zlib fails.
std::string GzipText(std::string_view text);

// The text of one whole gzip member with nothing after it; "(not one whole
// gzip member)" otherwise. For the checks of what the two above make.
std::string GunzipText(std::string_view packed);

// Pages whose start (the drives' readings) stays the same over many cycles
// and whose end (the cycle's time) changes with each: the start is
// compressed once per version, and each page costs only its end. zlib keeps
// the stream's state after the start, and a copy of it takes the end.
class GzipAfterFixedStart {
 public:
  GzipAfterFixedStart() = default;
  ~GzipAfterFixedStart();
  GzipAfterFixedStart(const GzipAfterFixedStart&) = delete;
  GzipAfterFixedStart& operator=(const GzipAfterFixedStart&) = delete;

  // The gzip member holding `start` followed by `end`; `startVersion` names
  // the start (the same version, the same text). Empty when zlib fails.
  std::string Gzip(std::string_view start, uint64_t startVersion, std::string_view end);

 private:
  bool Begin(std::string_view start);
  void Forget();

  // zlib's memory for the streams: the blocks a finished copy gave back go
  // to the next copy. Taken from the allocator each time, the ~270 KB of a
  // deflate stream came as fresh pages and cost the page faults of them,
  // several times the compression itself.
  struct BlockCache {
    ~BlockCache();
    std::vector<std::pair<std::size_t, void*>> spare;  // bytes, block
  };
  static void* TakeBlock(void* cache, unsigned items, unsigned size);
  static void GiveBack(void* cache, void* block);

  BlockCache cache_;
  z_stream afterStart_{};
  bool ready_ = false;
  uint64_t version_ = 0;
  std::string startBytes_;  // the compressed start, the gzip header included
};

// Whether an Accept-Encoding header value accepts gzip: the coding named
// (or "*"), without a weight of zero ("gzip;q=0" refuses it).
bool AcceptsGzip(std::string_view acceptEncoding);

}  // namespace taruk
