// The coarse grid the background effects compute on: 41 x 26 points 8 pixels apart, three planes
// (texture column u, texture row v, depth 0..1023), and the blob table the blob effects animate.
// A point a generator finds no hit for keeps last frame's value, so the map persists between frames.
#pragma once
#include <cstdint>

constexpr int kGridColumns = 41;  // screen x = 8 * column (or 8 * column - 160 when centred)
constexpr int kGridRows = 26;     // screen y = 8 * row (or 8 * row - 100)
constexpr int kGridPoints = kGridColumns * kGridRows;  // 1,066

enum GridPlane { PlaneU = 0, PlaneV = 1, PlaneDepth = 2 };

struct GridMap {
  int32_t plane[3][kGridPoints];  // point (c, r) is element r * 41 + c; u and v in texels
};

// One blob of the blob field; the spare float is part of the record and never read.
struct Blob {
  float x, y, spare, radius, weight;
};

struct BlobTable {
  Blob blob[3];
};

// Float to integer, truncating toward zero. Beyond the int32 range it saturates at
// +-(2^31 - 1) and NaN gives 0, so no input is undefined and negating a result is always safe.
inline int32_t grid_trunc(float value) {
  if (value >= 2147483648.0f) return 2147483647;
  if (value <= -2147483648.0f) return -2147483647;
  if (!(value == value)) return 0;
  return static_cast<int32_t>(value);
}

inline int32_t clamp_depth(int64_t value, int32_t top) {
  return value < 0 ? 0 : (value > top ? top : static_cast<int32_t>(value));
}
