#pragma once
// One iconv descriptor, closed with its owner. Opening one looks the code
// pages up afresh and costs far more than converting a file name, so the
// converters of a direction are kept per thread (a descriptor carries shift
// state and must not be shared) and reset before each text.

#include <iconv.h>

namespace taruk {

class IconvConverter {
 public:
  IconvConverter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~IconvConverter() {
    if (ok()) iconv_close(cd_);
  }
  IconvConverter(const IconvConverter&) = delete;
  IconvConverter& operator=(const IconvConverter&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }
  // Back to the initial state, as if just opened.
  void Reset() const { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

 private:
  iconv_t cd_;
};

}  // namespace taruk
