// Blob field and ripple: plain 2-D functions of the screen grid around three moving blobs.
// The field writes the row coordinate into u and the column into v, so its picture is transposed.
#include "demo/grid_effects.h"
#include "demo/grid_map_ray.h"

void place_blobs(BlobTable& blobs, float s, float amplitude) {
  Blob* b = blobs.blob;
  b[0].x = 160.0f + amplitude * grid_sin(s * 0.09090909f);   // 1/11
  b[0].y = 100.0f + amplitude * grid_cos(s * 0.083333336f);  // 1/12
  b[1].x = 160.0f + amplitude * grid_cos(s * 0.125f);        // 1/8
  b[1].y = 100.0f + amplitude * grid_sin(s * 0.07692308f);   // 1/13
  b[2].x = 160.0f + amplitude * grid_cos(s * 0.11111111f);   // 1/9
  b[2].y = 100.0f + amplitude * grid_cos(s * 0.14285715f);   // 1/7
  const float weight[3] = {1.0f, -1.0f, 1.0f};
  for (int i = 0; i < 3; ++i) {
    b[i].radius = 180.0f;
    b[i].weight = weight[i];
  }
}

namespace {
// Sum of weight * (1 - dist^2 / radius^2)^2 over the blobs that reach (x, y), minus 0.6.
float field(const BlobTable& blobs, float x, float y) {
  float f = 0.0f;
  for (const Blob& b : blobs.blob) {
    const float dx = x - b.x, dy = y - b.y;
    const float dist2 = dx * dx + dy * dy, radius2 = b.radius * b.radius;
    if (dist2 < radius2) {
      const float q = 1.0f - dist2 / radius2;
      f = f + b.weight * (q * q);
    }
  }
  return f - 0.6f;
}
}  // namespace

void grid_blob_field(GridMap& grid, BlobTable& blobs, float s) {
  place_blobs(blobs, s, 84.0f);
  for (int row = 0, i = 0; row < kGridRows; ++row)
    for (int column = 0; column < kGridColumns; ++column, ++i) {
      const float x = static_cast<float>(8 * column), y = static_cast<float>(8 * row);
      const float f = field(blobs, x, y);
      grid.plane[PlaneU][i] = grid_trunc(60.0f * f + y);
      grid.plane[PlaneV][i] = grid_trunc(60.0f * f + x);
      grid.plane[PlaneDepth][i] = clamp_depth(grid_trunc((f + 1.0f) * 512.0f), 1023);
    }
}

void grid_ripple(GridMap& grid, BlobTable& blobs, float s) {
  place_blobs(blobs, s, 64.0f);
  const Blob& centre = blobs.blob[0];
  // Two passes: the distances (square roots) first, then the sines, so they overlap.
  float phase[kGridPoints];
  for (int row = 0, i = 0; row < kGridRows; ++row)
    for (int column = 0; column < kGridColumns; ++column, ++i) {
      const float dx = static_cast<float>(8 * column) - centre.x, dy = static_cast<float>(8 * row) - centre.y;
      phase[i] = grid_abs(det_sqrtf(dx * dx + dy * dy)) * 0.1f;
    }
  double phases[kGridPoints], sines[kGridPoints];
  for (int i = 0; i < kGridPoints; ++i) phases[i] = phase[i];
  det_sin_n(phases, sines, kGridPoints);  // grid_sin of every phase, two at a time
  for (int row = 0, i = 0; row < kGridRows; ++row)
    for (int column = 0; column < kGridColumns; ++column, ++i) {
      const float x = static_cast<float>(8 * column), y = static_cast<float>(8 * row);
      const float l = static_cast<float>(sines[i]);
      grid.plane[PlaneU][i] = grid_trunc(y + 40.0f * l);
      grid.plane[PlaneV][i] = grid_trunc(x + 40.0f * l);
      grid.plane[PlaneDepth][i] = clamp_depth(grid_trunc((l + 1.0f) * 128.0f), 255);
    }
}
