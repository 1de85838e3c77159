#pragma once

namespace taruk {

// The calling process's own capabilities, asked of the kernel directly.

// Whether `capability` (CAP_SYS_RAWIO, ...) is in the effective set.
bool HasEffectiveCapability(int capability);

// Keeps only `capability` in the effective and permitted sets (when it is
// there at all) and drops every other one for good. False when the kernel
// refused.
bool KeepOnlyCapability(int capability);

// Keeps only `capability` in the effective set and every permitted one
// still permitted: the others can be raised again, by this process or a
// child it forks, but act for no call until then.
bool KeepOnlyEffective(int capability);

}  // namespace taruk
