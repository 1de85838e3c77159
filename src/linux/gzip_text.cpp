#include "linux/gzip_text.h"

#include <zlib.h>

#include <cctype>
#include <cstdlib>

namespace taruk {

namespace {

// The library's default level: close to the best ratio on this kind of
// repetitive text, at a fraction of level 9's time.
constexpr int kLevel = Z_DEFAULT_COMPRESSION;
// A 16 KB window and a small hash (plus 16: a gzip header and trailer
// rather than zlib's): a metrics page repeats what it repeats within a few
// lines, and packs as small as with zlib's largest (3,550 against 3,568
// bytes for the demo drives), while a stream holds 100 KB instead of 260 KB,
// which a scrape copies (GzipAfterFixedStart).
constexpr int kGzipWindowBits = 14 + 16;
constexpr int kMemoryLevel = 6;
// Unpacking takes whatever window a gzip member was made with.
constexpr int kGunzipWindowBits = MAX_WBITS + 16;

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

// A weight of zero: "q=0", "q=0.", "q=0.000".
bool ZeroWeight(std::string_view parameters) {
  while (!parameters.empty()) {
    const std::size_t semicolon = parameters.find(';');
    const std::string_view parameter = Trimmed(parameters.substr(0, semicolon));
    parameters = semicolon == std::string_view::npos ? std::string_view() : parameters.substr(semicolon + 1);
    if (parameter.size() < 2 || !SameLetters(parameter.substr(0, 2), "q=")) continue;
    const std::string_view weight = Trimmed(parameter.substr(2));
    if (weight.empty() || weight[0] != '0') return false;
    for (const char c : weight.substr(1)) {
      if (c != '.' && c != '0') return false;
    }
    return true;
  }
  return false;
}

// The blocks a cache keeps: a deflate stream takes five.
constexpr std::size_t kMostSpareBlocks = 8;

bool StartStream(z_stream& stream, alloc_func take = nullptr, free_func giveBack = nullptr, void* cache = nullptr) {
  stream = z_stream{};
  stream.zalloc = take;
  stream.zfree = giveBack;
  stream.opaque = cache;
  return deflateInit2(&stream, kLevel, Z_DEFLATED, kGzipWindowBits, kMemoryLevel, Z_DEFAULT_STRATEGY) == Z_OK;
}

// Feeds `text` to the stream and appends what comes out to `out`; `flush`
// as deflate() takes it. False when zlib fails.
bool Feed(z_stream& stream, std::string_view text, int flush, std::string& out) {
  const std::size_t before = out.size();
  out.resize(before + deflateBound(&stream, static_cast<uLong>(text.size())) + 16);
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data() + before);
  stream.avail_out = static_cast<uInt>(out.size() - before);
  const int result = deflate(&stream, flush);
  out.resize(out.size() - stream.avail_out);
  return flush == Z_FINISH ? result == Z_STREAM_END : result == Z_OK && stream.avail_in == 0;
}

}  // namespace

std::string GzipText(std::string_view text) {
  z_stream stream;
  if (!StartStream(stream)) return {};
  std::string out;
  const bool whole = Feed(stream, text, Z_FINISH, out);
  deflateEnd(&stream);
  return whole ? out : std::string();
}

std::string GunzipText(std::string_view packed) {
  const std::string bad = "(not one whole gzip member)";
  z_stream stream{};
  if (inflateInit2(&stream, kGunzipWindowBits) != Z_OK) return bad;
  std::string out;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  stream.avail_in = static_cast<uInt>(packed.size());
  int result = Z_OK;
  while (result == Z_OK) {
    char buffer[16384];
    stream.next_out = reinterpret_cast<Bytef*>(buffer);
    stream.avail_out = sizeof buffer;
    result = inflate(&stream, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - stream.avail_out);
  }
  inflateEnd(&stream);
  return result == Z_STREAM_END && stream.avail_in == 0 ? out : bad;
}

GzipAfterFixedStart::~GzipAfterFixedStart() { Forget(); }

GzipAfterFixedStart::BlockCache::~BlockCache() {
  for (const auto& [bytes, block] : spare) std::free(static_cast<std::max_align_t*>(block) - 1);
}

// Each block carries its size in front, for GiveBack.
void* GzipAfterFixedStart::TakeBlock(void* cache, unsigned items, unsigned size) {
  auto& spare = static_cast<BlockCache*>(cache)->spare;
  const std::size_t bytes = static_cast<std::size_t>(items) * size;
  for (auto it = spare.begin(); it != spare.end(); ++it) {
    if (it->first != bytes) continue;
    void* block = it->second;
    spare.erase(it);
    return block;
  }
  auto* held = static_cast<std::max_align_t*>(std::malloc(sizeof(std::max_align_t) + bytes));
  if (!held) return nullptr;
  *reinterpret_cast<std::size_t*>(held) = bytes;
  return held + 1;
}

void GzipAfterFixedStart::GiveBack(void* cache, void* block) {
  auto& spare = static_cast<BlockCache*>(cache)->spare;
  std::max_align_t* held = static_cast<std::max_align_t*>(block) - 1;
  if (spare.size() >= kMostSpareBlocks) {
    std::free(held);
    return;
  }
  spare.emplace_back(*reinterpret_cast<std::size_t*>(held), block);
}

void GzipAfterFixedStart::Forget() {
  if (ready_) deflateEnd(&afterStart_);
  ready_ = false;
  startBytes_.clear();
}

bool GzipAfterFixedStart::Begin(std::string_view start) {
  Forget();
  // A copy of the stream takes its blocks as the stream does.
  if (!StartStream(afterStart_, &TakeBlock, &GiveBack, &cache_)) return false;
  ready_ = true;
  // A sync flush ends the start's output on a byte, so that what a copy of
  // the stream makes next simply follows it.
  if (!Feed(afterStart_, start, Z_SYNC_FLUSH, startBytes_)) {
    Forget();
    return false;
  }
  return true;
}

std::string GzipAfterFixedStart::Gzip(std::string_view start, uint64_t startVersion, std::string_view end) {
  if ((!ready_ || version_ != startVersion) && !Begin(start)) return {};
  version_ = startVersion;
  z_stream stream;
  if (deflateCopy(&stream, &afterStart_) != Z_OK) return {};
  std::string out = startBytes_;
  const bool whole = Feed(stream, end, Z_FINISH, out);
  deflateEnd(&stream);
  return whole ? out : std::string();
}

bool AcceptsGzip(std::string_view acceptEncoding) {
  // gzip named outright decides; "*" only when gzip is not named.
  bool byStar = false;
  while (!acceptEncoding.empty()) {
    const std::size_t comma = acceptEncoding.find(',');
    const std::string_view item = acceptEncoding.substr(0, comma);
    acceptEncoding = comma == std::string_view::npos ? std::string_view() : acceptEncoding.substr(comma + 1);
    const std::size_t semicolon = item.find(';');
    const std::string_view coding = Trimmed(item.substr(0, semicolon));
    const bool accepted = semicolon == std::string_view::npos || !ZeroWeight(item.substr(semicolon + 1));
    if (SameLetters(coding, "gzip") || SameLetters(coding, "x-gzip")) return accepted;
    if (coding == "*") byStar = accepted;
  }
  return byStar;
}

}  // namespace taruk
