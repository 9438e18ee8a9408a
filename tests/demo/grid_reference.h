// The block renderer written plainly from its rules (signed values, divisions toward zero,
// arithmetic shifts), the yardstick for the renderer the show uses.
#pragma once
#include <cstdint>

#include "demo/grid_map.h"

namespace reference {

// shade null: the plain renderer.
inline void render_grid(const GridMap& grid, uint8_t* out, const uint8_t* texture, const uint8_t* shade) {
  for (int br = 0; br < 25; ++br)
    for (int bc = 0; bc < 40; ++bc) {
      int i = br * 41 + bc;
      int32_t L[3], R[3];
      for (int p = 0; p < 3; ++p) {
        L[p] = grid.plane[p][i] * 8;
        R[p] = grid.plane[p][i + 1] * 8;
      }
      for (int row = 0; row < 8; ++row) {
        int32_t value[3], step[3];
        for (int p = 0; p < 3; ++p) {
          value[p] = (L[p] / 8) * 8;
          step[p] = R[p] / 8 - L[p] / 8;
        }
        for (int column = 0; column < 8; ++column) {
          uint8_t texel = texture[((value[1] >> 3) & 255) * 256 + ((value[0] >> 3) & 255)];
          out[(8 * br + row) * 320 + 8 * bc + column] = shade ? shade[texel * 16 + (value[2] >> 9)] : texel;
          for (int p = 0; p < 3; ++p) value[p] += step[p];
        }
        for (int p = 0; p < 3; ++p) {
          L[p] += grid.plane[p][i + 41] - grid.plane[p][i];
          R[p] += grid.plane[p][i + 42] - grid.plane[p][i + 1];
        }
      }
    }
}

}  // namespace reference

// The ray-cast generators written plainly: every ray set up from scratch at every point, both roots
// of the quadric worked out and the smaller kept.
#include <cmath>

#include "shell/det_math.h"

namespace reference {

struct Ray {
  float x, y, z;
};

inline Ray ray(int column, int row, float a1, float a2, float a3) {
  float x = float(8 * column - 160), y = float(8 * row - 100);
  float r = det_sqrtf(x * x + y * y + 16384.0f);
  if (r == 0.0f) r = 0.001f;
  float inv = 1.0f / r;
  float X = x * inv, Y = y * inv, Z = 128.0f * inv;
  float c1 = float(det_cos(a1)), s1 = float(det_sin(a1)), c2 = float(det_cos(a2)), s2 = float(det_sin(a2));
  float c3 = float(det_cos(a3)), s3 = float(det_sin(a3));
  float X1 = X * c1 - Z * s1, Z1 = X * s1 + Z * c1;
  float Y2 = Y * c2 - Z1 * s2, Z2 = Z1 * c2 + Y * s2;
  float X3 = X1 * c3 - Y2 * s3, Y3 = X1 * s3 + Y2 * c3;
  return {X3, Y3, Z2};
}

inline bool smaller_root(float A, float B, float C, float& t) {
  float disc = B * B - 4.0f * A * C;
  if (disc < 0.0f) return false;
  if (disc == 0.0f) {
    t = -B / (2.0f * A);
  } else {
    float first = (-B - det_sqrtf(disc)) / (2.0f * A), second = (det_sqrtf(disc) - B) / (2.0f * A);
    t = first < second ? first : second;
  }
  return true;
}

inline int32_t depth(float value, int32_t top) {
  int32_t d = grid_trunc(value);
  return d < 0 ? 0 : (d > top ? top : d);
}

inline void tunnel(GridMap& g, float a1, float a2, float a3, float ox, float oy, float oz) {
  for (int row = 0; row < 26; ++row)
    for (int column = 0; column < 41; ++column) {
      int i = row * 41 + column;
      Ray D = ray(column, row, a1, a2, a3);
      float A = D.x * D.x + D.y * D.y;
      if (A == 0.0f) A = 0.001f;
      float B = 2.0f * (D.x * ox + D.y * oy);
      float t;
      if (!smaller_root(A, B, ox * ox + oy * oy - 65536.0f, t)) continue;
      float hx = ox + t * D.x, hy = oy + t * D.y, hz = oz + t * D.z;
      g.plane[0][i] = grid_trunc(hz * 0.2f);
      g.plane[1][i] = grid_trunc(std::fabs(float(det_atan2(hx, hy))) * 128.0f * 0.31830987f);
      g.plane[2][i] = depth(std::fabs(hz - oz), 1023);
    }
}

inline void sphere(GridMap& g, float a1, float a2, float a3) {
  for (int row = 0; row < 26; ++row)
    for (int column = 0; column < 41; ++column) {
      int i = row * 41 + column;
      Ray D = ray(column, row, a1, a2, a3);
      float K = D.x * D.x + D.y * D.y + D.z * D.z;
      if (K == 0.0f) K = 0.001f;
      float t;
      if (!smaller_root(K, 0.0f, -65536.0f, t)) continue;
      float px = t * D.x, py = t * D.y, pz = t * D.z;
      float length = det_sqrtf(px * px + py * py + pz * pz);
      g.plane[0][i] = grid_trunc((float(det_sin(py / length)) + 1.0f) * 128.0f);
      g.plane[1][i] = grid_trunc(std::fabs(float(det_atan2(pz, px))) * 81.48733f);
    }
}

inline void corridor(GridMap& g, float a1, float a2, float a3, float ox, float oy, float oz) {
  int32_t v = g.plane[1][0];
  for (int row = 0; row < 26; ++row)
    for (int column = 0; column < 41; ++column) {
      int i = row * 41 + column;
      Ray D = ray(column, row, a1, a2, a3);
      if (D.y == 0.0f) D.y = 0.001f;
      if (D.x == 0.0f) D.x = 0.001f;
      float ty = std::fabs((100.0f - oy) / D.y), tx = std::fabs((100.0f - ox) / D.x);
      float t = tx < ty ? tx : ty;
      float hx = ox + t * D.x, hy = oy + t * D.y, hz = oz + t * D.z;
      g.plane[2][i] = depth(std::fabs(hz - oz), 1023);
      g.plane[0][i] = grid_trunc(hz * 0.4f);
      if (tx < ty) {
        if (hx < 0.0f) v = grid_trunc(hy + 128.0f);
        else if (hx > 0.0f) v = grid_trunc(128.0f - hy);
      } else {
        if (hy < 0.0f) v = grid_trunc(hx + 128.0f);
        else if (hy > 0.0f) v = grid_trunc(128.0f - hx);
      }
      g.plane[1][i] = v;
    }
}

inline void floor_ceiling(GridMap& g, float a1, float a2, float a3, float ox, float oy, float oz) {
  for (int row = 0; row < 26; ++row)
    for (int column = 0; column < 41; ++column) {
      int i = row * 41 + column;
      Ray D = ray(column, row, a1, a2, a3);
      if (D.y == 0.0f) D.y = 0.001f;
      if (D.x == 0.0f) D.x = 0.001f;
      float t = std::fabs((100.0f - oy) / D.y);
      float hx = ox + t * D.x, hz = oz + t * D.z;
      int32_t d = grid_trunc(t) + 20;
      g.plane[2][i] = d < 0 ? 0 : (d > 1023 ? 1023 : d);
      g.plane[0][i] = std::abs(grid_trunc(hz * 0.4f));
      g.plane[1][i] = std::abs(grid_trunc(hx));
    }
}

}  // namespace reference
