// The effects' clamps: a value held at or below, or at or above, one limit.
// Two one-sided helpers rather than one clamp, as most slides are bounded on one side only.
#pragma once
#include <cstdint>

inline int32_t at_most(int32_t v, int32_t limit) { return v > limit ? limit : v; }
inline int32_t at_least(int32_t v, int32_t limit) { return v < limit ? limit : v; }
