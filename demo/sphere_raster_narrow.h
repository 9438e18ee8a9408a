// The rasteriser's walk of narrow triangles (all values within +-2^20) in SSE2 registers.
// It writes the same pixels as the plain walk; builds without SSE2 report that they have none.
#pragma once
#include "demo/sphere_raster.h"

// Corners sorted by y, all within +-2^20. False when this build has no SSE2 walk: then the plain
// walk draws the triangle.
bool raster_triangle_narrow(const RasterTarget& target, const RasterCorner& top, const RasterCorner& middle,
                            const RasterCorner& bottom);
