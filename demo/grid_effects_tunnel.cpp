// Circular tunnel and sphere: both intersect the ray with a quadric and keep the smaller root.
// Kept on purpose: the smaller root is the negative one, so both draw what lies behind the
// viewer; the centre ray of the tunnel (no sideways part) is given 0.001 and lands 8,095 units away.
#include "demo/grid_effects.h"
#include "demo/grid_map_ray.h"

namespace {
constexpr float kOneOverPi = 0.31830987f;
constexpr float kTurnToTexels = 81.48733f;  // 256 / pi
}  // namespace

void grid_tunnel(GridMap& grid, const GridView& view) {
  const GridRotation turn = grid_rotation(view.a1, view.a2, view.a3);
  const GridRayTable& rays = grid_unturned_rays();
  const float ox = view.ox, oy = view.oy, oz = view.oz;
  const float c = ox * ox + oy * oy - 65536.0f;
  // Two passes: the ray arithmetic first, then the angles, so the divisions and square roots of
  // neighbouring points overlap instead of queueing behind each point's arc tangent.
  float hitX[kGridPoints], hitY[kGridPoints];
  bool hit[kGridPoints];
  for (int i = 0; i < kGridPoints; ++i) {
    const GridRay d = grid_ray(i, rays, turn);
    float a = d.x * d.x + d.y * d.y;
    if (a == 0.0f) a = 0.001f;
    const float b = 2.0f * (d.x * ox + d.y * oy);
    float t;
    hit[i] = grid_smaller_root(a, b, c, t);
    hitX[i] = hitY[i] = 0.0f;  // defined for the batch even where there is no hit
    if (!hit[i]) continue;
    const float hz = oz + t * d.z;
    hitX[i] = ox + t * d.x;
    hitY[i] = oy + t * d.y;
    grid.plane[PlaneU][i] = grid_trunc(hz * 0.2f);
    grid.plane[PlaneDepth][i] = clamp_depth(grid_trunc(grid_abs(hz - oz)), 1023);
  }
  // The arc tangents of all hits in one batch (the values of grid_atan2, two at a time).
  double ys[kGridPoints], xs[kGridPoints], angles[kGridPoints];
  int points[kGridPoints];
  int count = 0;
  for (int i = 0; i < kGridPoints; ++i) {
    ys[count] = hitX[i];
    xs[count] = hitY[i];
    points[count] = i;
    count += hit[i];
  }
  det_atan2_n(ys, xs, angles, count);
  for (int k = 0; k < count; ++k) {
    const float angle = static_cast<float>(angles[k]);
    grid.plane[PlaneV][points[k]] = grid_trunc(grid_abs(angle) * 128.0f * kOneOverPi);
  }
}

void grid_sphere(GridMap& grid, float a1, float a2, float a3) {
  const GridRotation turn = grid_rotation(a1, a2, a3);
  const GridRayTable& rays = grid_unturned_rays();
  // Two passes, as for the tunnel: the hit points first, then the sines and angles.
  float height[kGridPoints], hitX[kGridPoints], hitZ[kGridPoints];
  bool hit[kGridPoints];
  for (int i = 0; i < kGridPoints; ++i) {
    const GridRay d = grid_ray(i, rays, turn);
    float k = d.x * d.x + d.y * d.y + d.z * d.z;
    if (k == 0.0f) k = 0.001f;
    float t;
    hit[i] = grid_smaller_root(k, 0.0f, -65536.0f, t);
    height[i] = hitX[i] = hitZ[i] = 0.0f;  // defined for the batches even where there is no hit
    if (!hit[i]) continue;
    const float px = t * d.x, py = t * d.y, pz = t * d.z;
    const float length = det_sqrtf(px * px + py * py + pz * pz);
    height[i] = py / length;
    hitX[i] = px;
    hitZ[i] = pz;
  }
  // The sines and arc tangents of all hits in batches (the values of grid_sin and grid_atan2).
  double heights[kGridPoints], ys[kGridPoints], xs[kGridPoints], sines[kGridPoints], angles[kGridPoints];
  int points[kGridPoints];
  int count = 0;
  for (int i = 0; i < kGridPoints; ++i) {
    heights[count] = height[i];
    ys[count] = hitZ[i];
    xs[count] = hitX[i];
    points[count] = i;
    count += hit[i];
  }
  det_sin_n(heights, sines, count);
  det_atan2_n(ys, xs, angles, count);
  for (int k = 0; k < count; ++k) {
    const float sine = static_cast<float>(sines[k]), angle = static_cast<float>(angles[k]);
    grid.plane[PlaneU][points[k]] = grid_trunc((sine + 1.0f) * 128.0f);
    grid.plane[PlaneV][points[k]] = grid_trunc(grid_abs(angle) * kTurnToTexels);
  }
}
