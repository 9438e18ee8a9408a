// The rasteriser's walk of narrow triangles (all values within +-2^20) in SSE2 registers (AVX2
// encodings where the processor has them).
// It writes the same pixels as the plain walk; builds without SSE2 report that they have none.
#pragma once
#include "demo/sphere_raster.h"

#include <cstdint>

// A corner whose values all lie within +-2^20 (pixels and texels, as RasterCorner).
struct NarrowCorner {
  int32_t x, y, u, v, ex, ey;
};

// A RasterCorner whose values all lie within +-2^20, in 32 bits.
inline NarrowCorner narrow_corner(const RasterCorner& c) {
  return {static_cast<int32_t>(c.x),  static_cast<int32_t>(c.y),  static_cast<int32_t>(c.u),
          static_cast<int32_t>(c.v),  static_cast<int32_t>(c.ex), static_cast<int32_t>(c.ey)};
}

// "avx2" or "sse2" ("none" without SSE2): the build of the walk that draws for that choice here.
const char* narrow_walk_name(NarrowWalk walk);

// Corners in any order: sorted by y here exactly as raster_triangle sorts them. False when this
// build has no SSE2 walk: then the plain walk draws the triangle.
bool raster_triangle_narrow(const RasterTarget& target, const NarrowCorner& c0, const NarrowCorner& c1,
                            const NarrowCorner& c2);
