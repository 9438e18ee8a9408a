// The rays of the ray-cast backgrounds: a unit ray through each grid point of a screen 128 units
// away, turned by three angles. Single precision, every product and sum rounded as written.
#pragma once
#include <cmath>

#include "demo/grid_map.h"
#include "shell/det_math.h"

struct GridRotation {
  float c1, s1, c2, s2, c3, s3;
};

struct GridRay {
  float x, y, z;  // (X3, Y3, Z2)
};

inline GridRotation grid_rotation(float a1, float a2, float a3) {
  return {static_cast<float>(det_cos(a1)), static_cast<float>(det_sin(a1)),
          static_cast<float>(det_cos(a2)), static_cast<float>(det_sin(a2)),
          static_cast<float>(det_cos(a3)), static_cast<float>(det_sin(a3))};
}

// The unturned unit ray of every grid point: x = 8 * column - 160, y = 8 * row - 100 and a screen
// 128 units away. The same for every frame, so it is worked out once (a constant table).
struct GridRayTable {
  float x[kGridPoints], y[kGridPoints], z[kGridPoints];
};
const GridRayTable& grid_unturned_rays();

// The ray of grid point i turned by the three angles.
inline GridRay grid_ray(int i, const GridRayTable& rays, const GridRotation& turn) {
  const float X = rays.x[i], Y = rays.y[i], Z = rays.z[i];
  const float X1 = X * turn.c1 - Z * turn.s1, Z1 = X * turn.s1 + Z * turn.c1;
  const float Y2 = Y * turn.c2 - Z1 * turn.s2, Z2 = Z1 * turn.c2 + Y * turn.s2;
  const float X3 = X1 * turn.c3 - Y2 * turn.s3, Y3 = X1 * turn.s3 + Y2 * turn.c3;
  return {X3, Y3, Z2};
}

// The smaller root of a t^2 + b t + c = 0 for a > 0; false when there is none (negative
// discriminant). With a > 0 the root taken with -sqrt is never the larger one, so only it is divided.
inline bool grid_smaller_root(float a, float b, float c, float& t) {
  const float disc = b * b - 4.0f * a * c;
  if (disc < 0.0f) return false;
  if (disc == 0.0f) {
    t = -b / (2.0f * a);
    return true;
  }
  t = (-b - det_sqrtf(disc)) / (2.0f * a);
  return true;
}

// Angle helpers in single precision over the deterministic double kernels.
inline float grid_sin(float x) { return static_cast<float>(det_sin(x)); }
inline float grid_cos(float x) { return static_cast<float>(det_cos(x)); }
inline float grid_atan2(float y, float x) { return static_cast<float>(det_atan2(y, x)); }
inline float grid_abs(float x) { return std::fabs(x); }
