// Float-to-integer truncation for the sphere's geometry that stays defined for any float.
// Inside the bounds it is plain truncation toward zero; beyond them it saturates, NaN gives 0.
#pragma once
#include <cstdint>

// Saturates at +-2^30: sort keys and table coordinates never come near it on a real mesh.
inline int sphere_trunc(float value) {
  constexpr float kLimit = 1073741824.0f;
  if (value >= kLimit) return 1 << 30;
  if (value <= -kLimit) return -(1 << 30);
  if (!(value == value)) return 0;
  return static_cast<int>(value);
}

// Saturates at +-2^40 for projected screen coordinates: a corner at or behind the camera may
// project anywhere, and 2^40 leaves the 26.6 edge arithmetic ample room in 64 bits.
inline int64_t sphere_trunc_wide(float value) {
  constexpr float kLimit = 1099511627776.0f;  // 2^40
  if (value >= kLimit) return int64_t{1} << 40;
  if (value <= -kLimit) return -(int64_t{1} << 40);
  if (!(value == value)) return 0;
  return static_cast<int64_t>(value);
}
