#include "linux/process_capabilities.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace taruk {

namespace {

struct CapabilitySets {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
};

bool ReadOwn(CapabilitySets& sets) { return syscall(SYS_capget, &sets.header, sets.data) == 0; }

bool InSet(const __user_cap_data_struct* data, int capability, __u32 __user_cap_data_struct::*set) {
  if (capability < 0 || capability >= 32 * _LINUX_CAPABILITY_U32S_3) return false;
  return (data[capability / 32].*set >> (capability % 32)) & 1u;
}

}  // namespace

bool HasEffectiveCapability(int capability) {
  CapabilitySets sets;
  return ReadOwn(sets) && InSet(sets.data, capability, &__user_cap_data_struct::effective);
}

bool KeepOnlyEffective(int capability) {
  CapabilitySets sets;
  if (!ReadOwn(sets)) return false;
  const bool permitted = InSet(sets.data, capability, &__user_cap_data_struct::permitted);
  for (__user_cap_data_struct& data : sets.data) data.effective = 0;
  if (permitted) sets.data[capability / 32].effective = 1u << (capability % 32);
  return syscall(SYS_capset, &sets.header, sets.data) == 0;
}

bool KeepOnlyCapability(int capability) {
  CapabilitySets sets;
  if (!ReadOwn(sets)) return false;
  const bool permitted = InSet(sets.data, capability, &__user_cap_data_struct::permitted);
  CapabilitySets kept;
  if (permitted && capability >= 0 && capability < 32 * _LINUX_CAPABILITY_U32S_3) {
    const __u32 bit = 1u << (capability % 32);
    kept.data[capability / 32].permitted = bit;
    kept.data[capability / 32].effective = bit;
  }
  return syscall(SYS_capset, &kept.header, kept.data) == 0;
}

}  // namespace taruk
