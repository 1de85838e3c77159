#pragma once
// A machine without volumes, for tests that look at drives only.

#include "core/monitor/volumes.h"

namespace taruk {

class NoVolumes : public Volumes {
 public:
  std::vector<std::wstring> Roots() override { return {}; }
  bool FreeBytesAvailable(const std::wstring&, uint64_t&) override { return false; }
};

}  // namespace taruk
