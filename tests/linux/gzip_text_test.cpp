// Which scrapers get the page gzipped: what Accept-Encoding says, with the
// weights and spellings clients send; and that a page gzipped after a kept
// start unpacks, as one gzip member, to that start and its new end. (End to
// end, with Python's zlib and a real Prometheus, in
// tests/e2e/metrics_prometheus.sh.)
#include "linux/gzip_text.h"

#include <gtest/gtest.h>

using namespace taruk;

TEST(GzipTextTest, AcceptEncodingDecidesWhetherThePageIsGzipped) {
  struct Case {
    const char* header;
    bool gzip;
  };
  const Case cases[] = {
      {"gzip", true},
      {"identity,gzip", true},  // Prometheus's own
      {"gzip, deflate, br", true},
      {"GZIP", true},
      {"x-gzip", true},
      {"gzip;q=0.5", true},
      {"gzip ; q=1.0", true},
      {"gzip;q=0", false},
      {"gzip;q=0.000", false},
      {"gzip; Q=0.0", false},
      {"*", true},
      {"*;q=0", false},
      {"*;q=0, gzip", true},  // named outright beats the star
      {"gzip;q=0, *", false},
      {"", false},
      {"identity", false},
      {"deflate, br", false},
      {"gzipped", false},
      {"gzip2", false},
      {",,, ;;; ,", false},
      {"gzip;q=", true},  // a weight that is no number refuses nothing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.header);
    EXPECT_EQ(AcceptsGzip(c.header), c.gzip);
  }
  EXPECT_FALSE(GzipText("taruk_build_info 1\n").empty());
}

namespace {

std::string Readings(int degrees) {
  std::string text;
  for (int drive = 0; drive < 200; ++drive) {
    text +=
        "taruk_drive_temperature_celsius{drive=\"" + std::to_string(drive) + "\"} " + std::to_string(degrees) + "\n";
  }
  return text;
}

}  // namespace

TEST(GzipTextTest, APageAfterAKeptStartUnpacksToThatStartAndItsNewEnd) {
  GzipAfterFixedStart gzipper;
  const std::string warm = Readings(41), hot = Readings(63);
  struct Step {
    std::string start;
    uint64_t version;
    std::string end;
  };
  // The same version twice (the start kept), a new version, a start of
  // nothing, an end of nothing, and back to a version seen before.
  const Step steps[] = {
      {warm, 1, "taruk_last_cycle_timestamp_seconds 1\n"},
      {warm, 1, "taruk_last_cycle_timestamp_seconds 2\n"},
      {hot, 2, "taruk_last_cycle_timestamp_seconds 3\n"},
      {"", 3, "taruk_last_cycle_timestamp_seconds 4\n"},
      {warm, 4, ""},
      {hot, 2, "taruk_last_cycle_timestamp_seconds 5\n"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.version);
    const std::string packed = gzipper.Gzip(step.start, step.version, step.end);
    EXPECT_EQ(GunzipText(packed), step.start + step.end);
    // Compressed, not stored: the repeated lines shrink.
    EXPECT_LT(packed.size(), (step.start.size() + step.end.size()) / 4 + 64);
  }
  EXPECT_EQ(GunzipText(GzipText(warm)), warm);
  // Two members one after the other are not the one member a scraper reads.
  EXPECT_EQ(GunzipText(GzipText(warm) + GzipText(hot)), "(not one whole gzip member)");
}
