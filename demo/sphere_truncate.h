// Float-to-integer truncation for the sphere's geometry that stays defined for any float.
// Inside +-limit it is plain truncation toward zero; beyond it saturates at +-limit, NaN gives 0.
#pragma once
#include <cstdint>

// Sort keys and environment coordinates: never near 2^30 on a real mesh.
constexpr int kSphereValueLimit = 1 << 30;
// Projected screen coordinates: a corner at or behind the camera may project anywhere, and 2^40
// leaves the 26.6 edge arithmetic ample room in 64 bits.
constexpr int64_t kSphereScreenLimit = int64_t{1} << 40;

template <typename Int>
inline Int sphere_trunc(float value, Int limit) {  // limit: a power of two, exact as a float
  const float bound = static_cast<float>(limit);
  if (value >= bound) return limit;
  if (value <= -bound) return -limit;
  if (!(value == value)) return 0;
  return static_cast<Int>(value);
}
