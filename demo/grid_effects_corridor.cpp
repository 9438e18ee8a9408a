// Square corridor and floor-and-ceiling planes: the ray meets the nearest wall or plane at 100.
// A zero ray component is taken as 0.001 both for the distance and for the hit point itself.
#include "demo/grid_effects.h"
#include "demo/grid_map_ray.h"

void grid_corridor(GridMap& grid, const GridView& view) {
  const GridRotation turn = grid_rotation(view.a1, view.a2, view.a3);
  const GridRayTable& rays = grid_unturned_rays();
  const float ox = view.ox, oy = view.oy, oz = view.oz;
  int32_t v = grid.plane[PlaneV][0];  // the value a zero wall coordinate keeps
  for (int i = 0; i < kGridPoints; ++i) {
    GridRay d = grid_ray(i, rays, turn);
    if (d.y == 0.0f) d.y = 0.001f;
    if (d.x == 0.0f) d.x = 0.001f;
    const float ty = grid_abs((100.0f - oy) / d.y), tx = grid_abs((100.0f - ox) / d.x);
    const bool sideWall = tx < ty;
    const float t = sideWall ? tx : ty;
    const float hx = ox + t * d.x, hy = oy + t * d.y, hz = oz + t * d.z;
    grid.plane[PlaneDepth][i] = clamp_depth(grid_trunc(grid_abs(hz - oz)), 1023);
    grid.plane[PlaneU][i] = grid_trunc(hz * 0.4f);
    const float across = sideWall ? hx : hy;  // which side of the corridor
    const float along = sideWall ? hy : hx;   // position across that wall
    if (across < 0.0f)
      v = grid_trunc(along + 128.0f);
    else if (across > 0.0f)
      v = grid_trunc(128.0f - along);
    grid.plane[PlaneV][i] = v;
  }
}

void grid_floor_ceiling(GridMap& grid, const GridView& view) {
  const GridRotation turn = grid_rotation(view.a1, view.a2, view.a3);
  const GridRayTable& rays = grid_unturned_rays();
  const float ox = view.ox, oy = view.oy, oz = view.oz;
  for (int i = 0; i < kGridPoints; ++i) {
    GridRay d = grid_ray(i, rays, turn);
    if (d.y == 0.0f) d.y = 0.001f;
    if (d.x == 0.0f) d.x = 0.001f;
    const float t = grid_abs((100.0f - oy) / d.y);
    const float hx = ox + t * d.x, hz = oz + t * d.z;
    grid.plane[PlaneDepth][i] = clamp_depth(static_cast<int64_t>(grid_trunc(t)) + 20, 1023);
    const int32_t u = grid_trunc(hz * 0.4f), v = grid_trunc(hx);
    grid.plane[PlaneU][i] = u < 0 ? -u : u;
    grid.plane[PlaneV][i] = v < 0 ? -v : v;
  }
}
