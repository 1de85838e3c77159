// Which scrapers get the page gzipped: what Accept-Encoding says, with the
// weights and spellings clients send. (That the bytes unpack to the page is
// checked end to end, with Python's gzip, in tests/e2e/metrics_prometheus.sh.)
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
      {"identity,gzip", true},                  // Prometheus's own
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
      {"*;q=0, gzip", true},                    // named outright beats the star
      {"gzip;q=0, *", false},
      {"", false},
      {"identity", false},
      {"deflate, br", false},
      {"gzipped", false},
      {"gzip2", false},
      {",,, ;;; ,", false},
      {"gzip;q=", true},                        // a weight that is no number refuses nothing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.header);
    EXPECT_EQ(AcceptsGzip(c.header), c.gzip);
  }
  EXPECT_FALSE(GzipText("taruk_build_info 1\n").empty());
}
