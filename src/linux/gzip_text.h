#pragma once
// A page compressed for a client that accepts gzip (Prometheus always asks
// for it: the metrics page shrinks about tenfold), through zlib.

#include <string>
#include <string_view>

namespace taruk {

// The gzip member holding `text`; empty when zlib fails.
std::string GzipText(std::string_view text);

// Whether an Accept-Encoding header value accepts gzip: the coding named
// (or "*"), without a weight of zero ("gzip;q=0" refuses it).
bool AcceptsGzip(std::string_view acceptEncoding);

}  // namespace taruk
