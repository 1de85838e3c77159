#pragma once
// Base64 (RFC 4648, with padding) for the AUTH exchange.

#include <string>
#include <string_view>

namespace taruk {

std::string Base64(std::string_view bytes);

}  // namespace taruk
