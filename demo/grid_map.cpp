// The constant table of unturned grid rays, worked out on first use.
// Single precision as the rays have always been set up: r = sqrt(x^2 + y^2 + 16384), then x/r-style
// products with 1/r (a zero length, which cannot occur, would count as 0.001).
#include "demo/grid_map_ray.h"

namespace {
GridRayTable make_rays() {
  GridRayTable rays{};
  for (int row = 0, i = 0; row < kGridRows; ++row)
    for (int column = 0; column < kGridColumns; ++column, ++i) {
      const float x = static_cast<float>(8 * column - 160), y = static_cast<float>(8 * row - 100);
      float r = det_sqrtf(x * x + y * y + 16384.0f);
      if (r == 0.0f) r = 0.001f;
      const float inverse = 1.0f / r;
      rays.x[i] = x * inverse;
      rays.y[i] = y * inverse;
      rays.z[i] = 128.0f * inverse;
    }
  return rays;
}
}  // namespace

const GridRayTable& grid_unturned_rays() {
  static const GridRayTable rays = make_rays();
  return rays;
}
