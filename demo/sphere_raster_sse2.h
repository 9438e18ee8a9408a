// The rasteriser's scan of triangles whose values all lie within +-2^20, in SSE2 registers.
// It writes the same pixels as the plain scan; every build (i686, x86-64, WebAssembly) has SSE2.
#pragma once
#include "demo/sphere_raster.h"

#include <cstdint>

// A corner whose values all lie within +-2^20 (pixels and texels, as RasterCorner), in 32 bits.
struct Corner32 {
  int32_t x, y, u, v, ex, ey;
};

inline Corner32 corner32(const RasterCorner& c) {
  return {static_cast<int32_t>(c.x),  static_cast<int32_t>(c.y),  static_cast<int32_t>(c.u),
          static_cast<int32_t>(c.v),  static_cast<int32_t>(c.ex), static_cast<int32_t>(c.ey)};
}

// Corners in any order: sorted by y here exactly as raster_triangle sorts them.
void raster_triangle_sse2(const RasterTarget& target, const Corner32& c0, const Corner32& c1, const Corner32& c2);
