#pragma once
// Display names of S.M.A.R.T. attribute ids, indexed directly by the id.
// The padding is part of the names: the details list shows them as they are.

#include <array>

namespace taruk {

extern const std::array<const wchar_t*, 256> AttributeNames;

}  // namespace taruk
